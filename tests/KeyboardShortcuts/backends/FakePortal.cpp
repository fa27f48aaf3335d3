// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePortal.h"

#include "KeyboardShortcuts/backends/PortalInterfaces.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

using namespace Qt::StringLiterals;
namespace Portal = KeyboardShortcuts::Portal;

namespace {

QString senderElement(const QDBusMessage &message)
{
    return message.service().mid(1).replace(u'.', u'_');
}

} // namespace

FakePortal::FakePortal(const Options &options)
    : m_options(options)
    , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake-portal"_s))
{
    Portal::registerTypes();
    m_thread.start();
    moveToThread(&m_thread);
}

FakePortal::~FakePortal()
{
    m_bus.unregisterObject(Portal::desktopPath, QDBusConnection::UnregisterTree);
    m_bus.unregisterService(Portal::serviceName);
    QDBusConnection::disconnectFromBus(u"fake-portal"_s);
    m_thread.quit();
    m_thread.wait();
}

bool FakePortal::start()
{
    // Registration parents a helper to us, which must happen in our thread.
    bool registered = false;
    QMetaObject::invokeMethod(
        this,
        [&] {
            registered
                = m_bus.registerVirtualObject(Portal::desktopPath, this, QDBusConnection::SubPath);
        },
        Qt::BlockingQueuedConnection);
    return registered && m_bus.registerService(Portal::serviceName);
}

QStringList FakePortal::log() const
{
    QMutexLocker lock(&m_mutex);
    return m_log;
}

QString FakePortal::session() const
{
    QMutexLocker lock(&m_mutex);
    return m_session;
}

void FakePortal::append(const QString &entry)
{
    QMutexLocker lock(&m_mutex);
    m_log << entry;
}

void FakePortal::activate(const QString &shortcutId, bool press, const QString &session)
{
    QDBusMessage signal = QDBusMessage::createSignal(Portal::desktopPath,
        Portal::globalShortcutsInterface, press ? u"Activated"_s : u"Deactivated"_s);
    signal << QVariant::fromValue(QDBusObjectPath(session.isEmpty() ? this->session() : session))
           << shortcutId << qulonglong(1234) << QVariantMap {};
    m_bus.send(signal);
}

QString FakePortal::introspect(const QString &) const
{
    return {};
}

void FakePortal::respond(
    const QDBusMessage &call, const QString &token, uint code, const QVariantMap &results)
{
    const QString request = Portal::requestPath(call.service(), token);
    QDBusMessage response
        = QDBusMessage::createSignal(request, Portal::requestInterface, u"Response"_s);
    response << code << results;
    m_bus.send(response);
    m_bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
}

bool FakePortal::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    const QString interface = message.interface();
    const QString member = message.member();
    const QVariantList args = message.arguments();
    if (interface == "org.freedesktop.DBus.Properties"_L1 && member == "Get"_L1
        && args.value(0).toString() == Portal::globalShortcutsInterface) {
        m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
        return true;
    }
    if (interface == Portal::registryInterface && m_options.registry && member == "Register"_L1) {
        append(u"Register "_s + args.value(0).toString());
        m_bus.send(message.createReply());
        return true;
    }
    if (interface == Portal::sessionInterface && member == "Close"_L1) {
        append(u"Close "_s + message.path());
        m_bus.send(message.createReply());
        return true;
    }
    if (interface == Portal::globalShortcutsInterface && member == "CreateSession"_L1) {
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(0));
        const QString session = u"/org/freedesktop/portal/desktop/session/%1/%2"_s.arg(
            senderElement(message), options.value(u"session_handle_token"_s).toString());
        {
            QMutexLocker lock(&m_mutex);
            m_session = session;
            m_log << u"CreateSession"_s;
        }
        respond(message, options.value(u"handle_token"_s).toString(), 0,
            { { u"session_handle"_s, session } });
        return true;
    }
    if (interface == Portal::globalShortcutsInterface && member == "BindShortcuts"_L1) {
        const auto shortcuts = qdbus_cast<Portal::ShortcutList>(args.value(1));
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(3));
        QStringList entries;
        Portal::ShortcutList bound;
        for (const auto &shortcut : shortcuts) {
            entries << shortcut.id + u'='
                    + shortcut.properties.value(u"preferred_trigger"_s).toString();
            if (!m_options.refusedIds.contains(shortcut.id)) {
                bound << shortcut;
            }
        }
        entries.sort();
        append(u"BindShortcuts "_s + entries.join(u' '));
        respond(message, options.value(u"handle_token"_s).toString(), m_options.bindResponse,
            { { u"shortcuts"_s, QVariant::fromValue(bound) } });
        return true;
    }
    m_bus.send(message.createErrorReply(QDBusError::UnknownMethod, member));
    return true;
}
