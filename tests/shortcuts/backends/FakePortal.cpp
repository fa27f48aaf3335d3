// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePortal.h"

#include "shortcuts/backends/PortalInterfaces.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

using namespace Qt::StringLiterals;
namespace Portal = KeyboardShortcuts::Portal;

namespace {

// "id=TRIGGER" for each shortcut, sorted, as the log shows them.
QStringList entries(const Portal::ShortcutList &shortcuts)
{
    QStringList list;
    for (const auto &shortcut : shortcuts) {
        list << shortcut.id + u'=' + shortcut.properties.value(u"preferred_trigger"_s).toString();
    }
    list.sort();
    return list;
}

} // namespace

FakePortal::FakePortal()
    : FakePortal(Options {})
{ }

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

void FakePortal::activate(const QString &shortcutId, bool press, const QString &session)
{
    QDBusMessage signal = QDBusMessage::createSignal(Portal::desktopPath,
        Portal::globalShortcutsInterface, press ? u"Activated"_s : u"Deactivated"_s);
    signal << QVariant::fromValue(QDBusObjectPath(session.isEmpty() ? this->session() : session))
           << shortcutId << qulonglong(1234) << QVariantMap {};
    m_bus.send(signal);
}

void FakePortal::refuseSessions(int count)
{
    QMutexLocker lock(&m_mutex);
    m_refuseSessions = count;
}

void FakePortal::closeSession()
{
    m_bus.send(QDBusMessage::createSignal(session(), Portal::sessionInterface, u"Closed"_s)
        << QVariantMap {});
}

void FakePortal::answerHeld()
{
    QMutexLocker lock(&m_mutex);
    for (const QDBusMessage &call : std::exchange(m_held, {})) {
        m_bus.send(call.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
    }
}

QString FakePortal::introspect(const QString &) const
{
    return {};
}

void FakePortal::respond(
    const QDBusMessage &call, const QString &token, uint code, const QVariantMap &results)
{
    const QString request = Portal::requestPath(call.service(), token);
    if (!m_options.unanswered.contains(call.member())) {
        m_bus.send(QDBusMessage::createSignal(request, Portal::requestInterface, u"Response"_s)
            << code << results);
    }
    m_bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
}

bool FakePortal::handleMessage(const QDBusMessage &message, const QDBusConnection &)
{
    const QString interface = message.interface();
    const QString member = message.member();
    const QVariantList args = message.arguments();
    QMutexLocker lock(&m_mutex);
    if (member == "Get"_L1 && args.value(0).toString() == Portal::globalShortcutsInterface) {
        if (m_options.unanswered.contains(member)) {
            m_log << u"Get (held)"_s;
            m_held << message;
        } else {
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
        }
    } else if (interface == Portal::registryInterface) {
        m_log << u"Register "_s + args.value(0).toString();
        m_bus.send(message.createReply());
    } else if (interface == Portal::requestInterface) {
        m_log << u"Request.Close"_s;
        m_bus.send(message.createReply());
    } else if (interface == Portal::sessionInterface) {
        m_log << u"Close "_s + message.path();
        m_bus.send(message.createReply());
    } else if (member == "CreateSession"_L1) {
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(0));
        const QString token = options.value(u"session_handle_token"_s).toString();
        const auto wanted = qdbus_cast<Portal::ShortcutList>(options.value(u"shortcuts"_s));
        m_log << (QStringList { u"CreateSession"_s, token } + entries(wanted)).join(u' ');
        const QString session = u"/org/freedesktop/portal/desktop/session/%1/%2"_s.arg(
            message.service().mid(1).replace(u'.', u'_'), token);
        uint response = 0;
        if (m_refuseSessions > 0) {
            --m_refuseSessions;
            response = 2;
        } else {
            m_session = session;
        }
        respond(message, options.value(u"handle_token"_s).toString(), response,
            { { u"session_handle"_s, session } });
    } else if (member == "BindShortcuts"_L1) {
        const auto shortcuts = qdbus_cast<Portal::ShortcutList>(args.value(1));
        m_log << (QStringList { u"BindShortcuts"_s } + entries(shortcuts)).join(u' ');
        respond(message, qdbus_cast<QVariantMap>(args.value(3)).value(u"handle_token"_s).toString(),
            m_options.bindResponse, {});
    } else {
        m_bus.send(message.createErrorReply(QDBusError::UnknownMethod, member));
    }
    return true;
}
