// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePortal.h"

#include "KeyboardShortcuts/backends/PortalInterfaces.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <utility>

using namespace Qt::StringLiterals;
namespace Portal = KeyboardShortcuts::Portal;

namespace {

QString senderElement(const QDBusMessage &message)
{
    return message.service().mid(1).replace(u'.', u'_');
}

// "CTRL+LOGO+s" as KDE shows it: "Meta+Ctrl+S".
QString keyText(const QString &trigger)
{
    QStringList parts = trigger.split(u'+');
    const QString key = parts.takeLast();
    QString text;
    for (const auto &[name, shown] : { std::pair(u"LOGO", u"Meta+"), std::pair(u"CTRL", u"Ctrl+"),
             std::pair(u"ALT", u"Alt+"), std::pair(u"SHIFT", u"Shift+") }) {
        if (parts.contains(QStringView(name))) {
            text += shown;
        }
    }
    return text + key.left(1).toUpper() + key.mid(1);
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

void FakePortal::assign(const QString &shortcutId, const QString &trigger)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        Portal::desktopPath, Portal::globalShortcutsInterface, u"ShortcutsChanged"_s);
    {
        QMutexLocker lock(&m_mutex);
        m_keys[shortcutId] = trigger.isEmpty() ? QString() : keyText(trigger);
        if (!m_sessionIds.contains(shortcutId)) {
            m_sessionIds << shortcutId;
        }
        signal << QVariant::fromValue(QDBusObjectPath(m_session)) << descriptions();
    }
    m_bus.send(signal);
}

QStringList FakePortal::opened() const
{
    QMutexLocker lock(&m_mutex);
    return m_opened;
}

void FakePortal::refuseSessions(int count)
{
    QMutexLocker lock(&m_mutex);
    m_refuseSessions = count;
}

QVariant FakePortal::descriptions() const
{
    Portal::ShortcutList list;
    for (const QString &id : m_sessionIds) {
        list << Portal::Shortcut { id,
            { { u"description"_s, m_descriptions.value(id) },
                { u"trigger_description"_s, m_keys.value(id) } } };
    }
    return QVariant::fromValue(list);
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
        QMutexLocker lock(&m_mutex);
        m_log << u"Close "_s + message.path();
        if (message.path() == m_session) {
            m_sessionIds.clear();
        }
        lock.unlock();
        m_bus.send(message.createReply());
        return true;
    }
    if (interface == Portal::globalShortcutsInterface && member == "CreateSession"_L1) {
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(0));
        const QString session = u"/org/freedesktop/portal/desktop/session/%1/%2"_s.arg(
            senderElement(message), options.value(u"session_handle_token"_s).toString());
        QVariantMap results { { u"session_handle"_s, session } };
        uint response = 0;
        {
            QMutexLocker lock(&m_mutex);
            m_log << u"CreateSession "_s + options.value(u"session_handle_token"_s).toString();
            if (m_refuseSessions > 0) {
                --m_refuseSessions;
                response = 2;
            } else {
                m_session = session;
                m_sessionIds.clear();
            }
            const auto wanted = qdbus_cast<Portal::ShortcutList>(
                options.value(u"shortcuts"_s).value<QDBusArgument>());
            QStringList entries;
            for (const auto &shortcut : wanted) {
                entries << shortcut.id + u'='
                        + shortcut.properties.value(u"preferred_trigger"_s).toString();
            }
            entries.sort();
            m_log.last() += (entries.isEmpty() ? u""_s : u" "_s) + entries.join(u' ');
            if (response == 0 && m_options.flavour == Flavour::Plasma527) {
                for (const auto &shortcut : wanted) {
                    const QString trigger
                        = shortcut.properties.value(u"preferred_trigger"_s).toString();
                    if (!m_keys.contains(shortcut.id)) {
                        m_keys[shortcut.id] = keyText(trigger);
                    }
                    m_descriptions[shortcut.id]
                        = shortcut.properties.value(u"description"_s).toString();
                    m_sessionIds << shortcut.id;
                }
            }
            if (m_options.flavour != Flavour::ListsBound) {
                results.insert(u"shortcuts"_s, descriptions());
            }
        }
        respond(message, options.value(u"handle_token"_s).toString(), response, results);
        return true;
    }
    if (interface == Portal::globalShortcutsInterface && member == "BindShortcuts"_L1) {
        const auto shortcuts = qdbus_cast<Portal::ShortcutList>(args.value(1));
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(3));
        QStringList entries;
        for (const auto &shortcut : shortcuts) {
            entries << shortcut.id + u'='
                    + shortcut.properties.value(u"preferred_trigger"_s).toString();
        }
        entries.sort();
        QVariantMap results;
        {
            QMutexLocker lock(&m_mutex);
            m_log << u"BindShortcuts "_s + entries.join(u' ');
            if (m_options.flavour != Flavour::ListsBound) {
                m_opened << u"systemsettings://kcm_keys/"_s + m_session.section(u'/', -1);
            } else if (m_options.bindResponse == 0) {
                for (const auto &shortcut : shortcuts) {
                    const QString trigger
                        = shortcut.properties.value(u"preferred_trigger"_s).toString();
                    if (!m_options.takenTriggers.contains(trigger)) {
                        m_keys[shortcut.id] = keyText(trigger);
                        m_sessionIds << shortcut.id;
                    }
                }
            }
            results.insert(u"shortcuts"_s, descriptions());
        }
        respond(
            message, options.value(u"handle_token"_s).toString(), m_options.bindResponse, results);
        return true;
    }
    m_bus.send(message.createErrorReply(QDBusError::UnknownMethod, member));
    return true;
}
