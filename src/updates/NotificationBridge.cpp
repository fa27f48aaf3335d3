// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/NotificationBridge.h"

using namespace Qt::StringLiterals;

namespace vantry {

NotificationBridge::NotificationBridge(std::unique_ptr<NotificationCenter> center, QObject *parent)
    : QObject(parent)
    , m_center(std::move(center))
{
    Q_ASSERT(m_center);
}

NotificationBridge::~NotificationBridge() = default;

void NotificationBridge::postUpdateNotification(const QString &version)
{
    NotificationRequest request;
    request.identifier = QLatin1StringView(UpdateNotificationIdentifier);
    request.title = tr("Update available");
    // The version goes in as given, even when empty (two spaces then).
    request.body = tr("Version %1 is now available").arg(version);
    m_center->add(request);
}

void NotificationBridge::removeUpdateNotifications()
{
    m_center->removeDelivered({ QLatin1StringView(UpdateNotificationIdentifier) });
}

void NotificationBridge::requestNotificationAuthorization()
{
    m_center->requestAuthorization({});
}

} // namespace vantry
