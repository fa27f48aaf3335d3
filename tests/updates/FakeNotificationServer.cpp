// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNotificationServer.h"

using namespace Qt::StringLiterals;

namespace {
const QString ServiceName = u"org.freedesktop.Notifications"_s;
const QString ObjectPath = u"/org/freedesktop/Notifications"_s;
} // namespace

FakeNotificationServer::FakeNotificationServer()
    : m_bus(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake-notification-server"_s))
{ }

FakeNotificationServer::~FakeNotificationServer()
{
    stop();
    QDBusConnection::disconnectFromBus(u"fake-notification-server"_s);
}

bool FakeNotificationServer::start()
{
    return m_bus.isConnected()
        && m_bus.registerObject(ObjectPath, this, QDBusConnection::ExportAllSlots)
        && m_bus.registerService(ServiceName);
}

void FakeNotificationServer::stop()
{
    m_bus.unregisterService(ServiceName);
    m_bus.unregisterObject(ObjectPath);
}

quint32 FakeNotificationServer::Notify(const QString &appName, quint32 replacesId, const QString &,
    const QString &summary, const QString &body, const QStringList &, const QVariantMap &hints,
    qint32)
{
    const quint32 id = replacesId != 0 && shown.contains(replacesId) ? replacesId : m_nextId++;
    shown.insert(id, { appName, summary, body, hints });
    notifyCalls.append({ replacesId, id });
    return id;
}

void FakeNotificationServer::CloseNotification(quint32 id)
{
    closeCalls.append(id);
    shown.remove(id);
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return { u"body"_s };
}

QString FakeNotificationServer::GetServerInformation(
    QString &vendor, QString &version, QString &specVersion)
{
    vendor = u"Vantry tests"_s;
    version = u"1"_s;
    specVersion = u"1.2"_s;
    return u"fake"_s;
}
