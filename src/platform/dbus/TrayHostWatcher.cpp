// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/TrayHostWatcher.h"

#include "platform/x11/X11TraySelection.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

using namespace Qt::StringLiterals;

namespace vantry {

TrayHostWatcher::TrayHostWatcher(std::chrono::milliseconds gracePeriod, QObject *parent)
    : QObject(parent)
    , m_gracePeriod(gracePeriod)
{
    m_graceTimer.setSingleShot(true);
    connect(&m_graceTimer, &QTimer::timeout, this, &TrayHostWatcher::noHostFound);
}

TrayHostWatcher::~TrayHostWatcher() = default;

bool TrayHostWatcher::lookNow()
{
    // The X11 selection is one round trip to a server we talk to anyway; the bus comes second.
    if (!m_x11)
        m_x11 = new X11TraySelection(this);
    if (m_x11->hasOwner())
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const auto registered = bus.interface()->isServiceRegistered(QLatin1StringView(watcherService));
    return registered.isValid() && registered.value();
}

void TrayHostWatcher::start()
{
    if (m_found)
        return;
    if (lookNow()) {
        onHostAppeared();
        return;
    }
    m_x11->watch();
    connect(m_x11, &X11TraySelection::ownerAppeared, this, &TrayHostWatcher::onHostAppeared);
    if (QDBusConnection bus = QDBusConnection::sessionBus(); bus.isConnected()) {
        m_dbusWatcher = new QDBusServiceWatcher(QLatin1StringView(watcherService), bus,
            QDBusServiceWatcher::WatchForRegistration, this);
        connect(m_dbusWatcher, &QDBusServiceWatcher::serviceRegistered, this,
            &TrayHostWatcher::onHostAppeared);
    }
    // No grace period: the launch shows what it must before it returns to the event loop.
    if (m_gracePeriod.count() == 0)
        Q_EMIT noHostFound();
    else
        m_graceTimer.start(m_gracePeriod);
}

void TrayHostWatcher::onHostAppeared()
{
    if (m_found)
        return;
    m_found = true;
    m_graceTimer.stop();
    Q_EMIT hostAvailable();
}

} // namespace vantry
