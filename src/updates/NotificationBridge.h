// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/NotificationCenter.h"

#include <QObject>

#include <memory>

namespace vantry {

// The application's one update notification. Clicking it runs no code of ours.
class NotificationBridge final : public QObject
{
    Q_OBJECT

public:
    /// Every update notification shares this identifier, so at most one is shown.
    static constexpr auto UpdateNotificationIdentifier = "VT_UPDATE";

    /// center is where notifications go (the session bus server in the app).
    explicit NotificationBridge(
        std::unique_ptr<NotificationCenter> center, QObject *parent = nullptr);
    ~NotificationBridge() override;

    /// Shows "Update available" / "Version <version> is now available", replacing
    /// an update notification already shown. version is used exactly as given.
    void postUpdateNotification(const QString &version);
    /// Withdraws the update notification; nothing happens when none is shown.
    void removeUpdateNotifications();
    /// Checks that a notification server answers; the answer is not used.
    void requestNotificationAuthorization();

    NotificationCenter &center() const { return *m_center; }

private:
    std::unique_ptr<NotificationCenter> m_center;
};

} // namespace vantry
