// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dbus/StatusNotifierActivations.h"

#include "core/Logging.h"
#include "platform/dbus/TrayHostWatcher.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {
const auto itemPath = u"/StatusNotifierItem"_s;
const auto itemInterface = u"org.kde.StatusNotifierItem"_s;
} // namespace

// Receives the monitored calls. A monitor must never send anything (the bus drops it), so
// every call is taken as handled and none is answered.
class StatusNotifierActivations::Sink final : public QDBusVirtualObject
{
public:
    explicit Sink(StatusNotifierActivations *owner)
        : m_owner(owner)
    { }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &) override
    {
        const QList<QVariant> args = message.arguments();
        if (message.interface() == itemInterface && message.member() == u"Activate"_s
            && args.size() == 2) {
            // Handed on through the owner's event loop, whichever thread delivers this.
            const QPoint point(args.at(0).toInt(), args.at(1).toInt());
            QMetaObject::invokeMethod(
                m_owner, [owner = m_owner, point] { owner->onActivate(point); },
                Qt::QueuedConnection);
        }
        return true;
    }

private:
    StatusNotifierActivations *m_owner;
};

StatusNotifierActivations::StatusNotifierActivations(QObject *parent)
    : QObject(parent)
    , m_connectionName(u"vantry-activations-%1"_s.arg(quintptr(this), 0, 16))
    , m_sink(std::make_unique<Sink>(this))
{ }

StatusNotifierActivations::~StatusNotifierActivations()
{
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool StatusNotifierActivations::hostRuns()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected()
        && bus.interface()->isServiceRegistered(QLatin1StringView(TrayHostWatcher::watcherService));
}

bool StatusNotifierActivations::start()
{
    QDBusConnection bus
        = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!bus.isConnected())
        return false;
    if (!bus.registerVirtualObject(itemPath, m_sink.get(), QDBusConnection::SingleNode))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s,
        u"/org/freedesktop/DBus"_s, u"org.freedesktop.DBus.Monitoring"_s, u"BecomeMonitor"_s);
    call << QStringList { u"type='method_call',path='%1',interface='%2',member='Activate'"_s.arg(
        itemPath, itemInterface) }
         << 0u;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCDebug(lcApp) << "no activation points from the bus:" << reply.errorMessage();
        QDBusConnection::disconnectFromBus(m_connectionName);
        return false;
    }
    return true;
}

void StatusNotifierActivations::onActivate(QPoint point)
{
    qCDebug(lcApp) << "Activate at" << point;
    Q_EMIT activated(point);
}

} // namespace vantry
