// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeNotificationServer.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {
const QString ServiceName = u"org.freedesktop.Notifications"_s;
const QString ObjectPath = u"/org/freedesktop/Notifications"_s;

// What a markup-reading server shows of a body: tags gone, entities resolved.
QString renderedMarkup(const QString &body)
{
    static const QRegularExpression tag(u"<[^>]*>"_s);
    QString text = body;
    text.remove(tag);
    return text.replace(u"&lt;"_s, u"<"_s)
        .replace(u"&gt;"_s, u">"_s)
        .replace(u"&quot;"_s, u"\""_s)
        .replace(u"&apos;"_s, u"'"_s)
        .replace(u"&amp;"_s, u"&"_s);
}
} // namespace

FakeNotificationServer::FakeNotificationServer()
    : capabilities { u"actions"_s, u"body"_s, u"body-hyperlinks"_s, u"icon-static"_s,
        u"synchronous"_s, u"private-synchronous"_s, u"x-canonical-private-synchronous"_s,
        u"x-dunst-stack-tag"_s, u"body-markup"_s }
    , m_bus(
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
    const quint32 id = replacesId != 0 ? replacesId : m_nextId++;
    const QString text = capabilities.contains(u"body-markup"_s) ? renderedMarkup(body) : body;
    shown.insert(id, { appName, summary, body, text, hints });
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
    return capabilities;
}

QString FakeNotificationServer::GetServerInformation(
    QString &vendor, QString &version, QString &specVersion)
{
    vendor = u"Vantry tests"_s;
    version = u"1"_s;
    specVersion = u"1.2"_s;
    return u"fake"_s;
}
