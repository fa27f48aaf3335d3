// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts/backends/PortalHotKeyBackend.h"

#include "KeyboardShortcuts/KeyCodes.h"
#include "KeyboardShortcuts/Shortcut.h"
#include "KeyboardShortcuts/backends/PortalInterfaces.h"
#include "KeyboardShortcuts/backends/XkbKeyboardLayout.h"
#include "platform/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <chrono>
#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace KeyboardShortcuts {

namespace {

constexpr int kAvailabilityTimeoutMs = 5000;
// A shortcut that is given up stays bound until the set is bound again; after
// this grace the session is renewed, but not for every menu that opens.
constexpr auto kShrinkGrace = 30s;

QString sessionHandle(const QVariant &value)
{
    // Portals have sent it both as a string and as an object path.
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>()) {
        return value.value<QDBusObjectPath>().path();
    }
    return value.toString();
}

} // namespace

PortalHotKeyBackend::PortalHotKeyBackend(const QDBusConnection &bus,
    const XkbKeyboardLayout *keyboard, const QString &appId, QObject *parent)
    : DesktopHotKeyBackend(parent)
    , m_bus(bus)
    , m_keyboard(keyboard)
    , m_appId(appId)
{
    Portal::registerTypes();
    m_bindTimer.setSingleShot(true);
    m_bindTimer.setInterval(0);
    connect(&m_bindTimer, &QTimer::timeout, this, &PortalHotKeyBackend::startBind);
    m_shrinkTimer.setSingleShot(true);
    m_shrinkTimer.setInterval(kShrinkGrace);
    connect(&m_shrinkTimer, &QTimer::timeout, this, &PortalHotKeyBackend::scheduleBind);
}

PortalHotKeyBackend::~PortalHotKeyBackend()
{
    closeSession();
}

QString PortalHotKeyBackend::name() const
{
    return u"portal"_s;
}

bool PortalHotKeyBackend::isAvailable()
{
    if (!m_available) {
        bool available = false;
        if (m_bus.isConnected()) {
            QDBusMessage get = QDBusMessage::createMethodCall(Portal::serviceName,
                Portal::desktopPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
            get.setArguments({ QString(Portal::globalShortcutsInterface), u"version"_s });
            const QDBusMessage reply = m_bus.call(get, QDBus::Block, kAvailabilityTimeoutMs);
            available = reply.type() == QDBusMessage::ReplyMessage;
            if (!available) {
                qCInfo(lcShortcuts) << "No GlobalShortcuts portal:" << reply.errorMessage();
            }
        }
        m_available = available;
    }
    return *m_available;
}

QString PortalHotKeyBackend::preferredTrigger(KeyCombination combination) const
{
    const Qt::KeyboardModifiers modifiers = combination.modifiers;
    const quint32 sym = m_keyboard ? m_keyboard->keysym(combination.keyCode) : XKB_KEY_NoSymbol;
    char name[64];
    if (sym == XKB_KEY_NoSymbol || xkb_keysym_get_name(sym, name, sizeof name) <= 0) {
        return {};
    }
    QString trigger;
    if (modifiers & Qt::ControlModifier) {
        trigger += "CTRL+"_L1;
    }
    if (modifiers & Qt::AltModifier) {
        trigger += "ALT+"_L1;
    }
    if (modifiers & Qt::ShiftModifier) {
        trigger += "SHIFT+"_L1;
    }
    if (modifiers & Qt::MetaModifier) {
        trigger += "LOGO+"_L1;
    }
    return trigger + QString::fromUtf8(name);
}

HotKeyBackend::Status PortalHotKeyBackend::registerHotKey(quint32 id, KeyCombination combination)
{
    unregisterHotKey(id);
    const QString trigger = preferredTrigger(combination);
    if (trigger.isEmpty()) {
        return UnknownKey;
    }
    if (!isAvailable()) {
        return NoService;
    }
    // Stable per combination, so the desktop remembers what the user chose for it.
    // Named in stored-shortcut units, as before, so bindings the desktop keeps stay ours.
    const auto storedKey = macKeyCode(combination.keyCode);
    if (!storedKey) {
        return UnknownKey;
    }
    const QString shortcutId = u"hotkey-%1-%2"_s.arg(*storedKey)
                                   .arg(carbonModifiers(modifierFlags(combination.modifiers)));
    m_registrations[id] = Registration { shortcutId, trigger };
    if (!m_bound.contains(shortcutId)) {
        scheduleBind();
    }
    return NoError;
}

void PortalHotKeyBackend::unregisterHotKey(quint32 id)
{
    if (m_registrations.erase(id) && !m_bound.empty()) {
        m_shrinkTimer.start();
    }
}

void PortalHotKeyBackend::scheduleBind()
{
    if (m_step != Step::Idle) {
        m_bindAgain = true;
        return;
    }
    m_bindTimer.start();
}

void PortalHotKeyBackend::startBind()
{
    m_bindAgain = false;
    m_shrinkTimer.stop();
    std::set<QString> wanted;
    m_binding.clear();
    for (const auto &[id, registration] : m_registrations) {
        wanted.insert(registration.shortcutId);
        m_binding.insert(id);
    }
    if (wanted == m_bound && !m_session.isEmpty()) {
        return;
    }
    // A session binds once: a changed set needs a new one.
    closeSession();
    if (wanted.empty()) {
        Q_EMIT bindingFinished();
        return;
    }
    if (!m_appIdRegistered) {
        registerAppId();
    } else {
        createSession();
    }
}

void PortalHotKeyBackend::registerAppId()
{
    m_step = Step::Registering;
    QDBusMessage call = QDBusMessage::createMethodCall(
        Portal::serviceName, Portal::desktopPath, Portal::registryInterface, u"Register"_s);
    call.setArguments({ m_appId, QVariantMap {} });
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        // Older portals and sandboxed apps have no registry; that is fine.
        if (watcher->isError()) {
            qCDebug(lcShortcuts) << "Portal registry:" << watcher->error().message();
        }
        m_appIdRegistered = true;
        createSession();
    });
}

void PortalHotKeyBackend::createSession()
{
    m_step = Step::CreatingSession;
    const QString token = nextToken();
    const QVariantMap options { { u"handle_token"_s, token },
        { u"session_handle_token"_s, nextToken() } };
    callWithRequest(
        u"CreateSession"_s, { options }, token, [this](uint response, const QVariantMap &results) {
            const QString session = sessionHandle(results.value(u"session_handle"_s));
            if (response != 0 || session.isEmpty()) {
                qCWarning(lcShortcuts) << "The portal refused a shortcut session:" << response;
                finishBind(m_binding);
                return;
            }
            m_session = session;
            m_sessionProxy = new Portal::SessionProxy(m_session, m_bus, this);
            connect(m_sessionProxy, &Portal::SessionProxy::Closed, this, [this] {
                qCWarning(lcShortcuts) << "The desktop closed our shortcut session";
                const auto lost = m_registrations;
                m_session.clear();
                m_bound.clear();
                m_held.clear();
                m_registrations.clear();
                for (const auto &[id, registration] : lost) {
                    Q_EMIT registrationFailed(id, RefusedByDesktop);
                }
            });
            bindShortcuts();
        });
}

void PortalHotKeyBackend::bindShortcuts()
{
    m_step = Step::Binding;
    Portal::ShortcutList shortcuts;
    std::set<QString> listed;
    for (const quint32 id : m_binding) {
        const auto it = m_registrations.find(id);
        if (it == m_registrations.end() || !listed.insert(it->second.shortcutId).second) {
            continue;
        }
        shortcuts.append({ it->second.shortcutId,
            { { u"description"_s, tr("Global shortcut %1").arg(it->second.trigger) },
                { u"preferred_trigger"_s, it->second.trigger } } });
    }
    const QString token = nextToken();
    const QVariantList args { QVariant::fromValue(QDBusObjectPath(m_session)),
        QVariant::fromValue(shortcuts), QString(), QVariantMap { { u"handle_token"_s, token } } };
    callWithRequest(
        u"BindShortcuts"_s, args, token, [this, listed](uint response, const QVariantMap &results) {
            if (response != 0) {
                qCWarning(lcShortcuts) << "The desktop refused our shortcuts:" << response;
                finishBind(m_binding);
                return;
            }
            std::set<QString> bound = listed;
            if (results.contains(u"shortcuts"_s)) {
                Portal::ShortcutList returned;
                results.value(u"shortcuts"_s).value<QDBusArgument>() >> returned;
                bound.clear();
                for (const auto &shortcut : returned) {
                    bound.insert(shortcut.id);
                }
            }
            m_bound = bound;
            std::set<quint32> refused;
            for (const quint32 id : m_binding) {
                const auto it = m_registrations.find(id);
                if (it != m_registrations.end() && !bound.contains(it->second.shortcutId)) {
                    refused.insert(id);
                }
            }
            finishBind(refused);
        });
}

void PortalHotKeyBackend::finishBind(const std::set<quint32> &refused)
{
    m_step = Step::Idle;
    for (const quint32 id : refused) {
        if (m_registrations.erase(id)) {
            Q_EMIT registrationFailed(id, RefusedByDesktop);
        }
    }
    m_binding.clear();
    Q_EMIT bindingFinished();
    if (m_bindAgain) {
        scheduleBind();
    }
}

void PortalHotKeyBackend::closeSession()
{
    if (!m_session.isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            Portal::serviceName, m_session, Portal::sessionInterface, u"Close"_s));
    }
    delete m_sessionProxy;
    m_session.clear();
    m_bound.clear();
    m_held.clear();
}

void PortalHotKeyBackend::callWithRequest(const QString &method, QVariantList args,
    const QString &token, std::function<void(uint, const QVariantMap &)> onResponse)
{
    if (!m_shortcuts) {
        m_shortcuts = new Portal::GlobalShortcutsProxy(m_bus, this);
        connect(m_shortcuts, &Portal::GlobalShortcutsProxy::Activated, this,
            [this](const QDBusObjectPath &session, const QString &shortcutId) {
                onActivated(session, shortcutId, true);
            });
        connect(m_shortcuts, &Portal::GlobalShortcutsProxy::Deactivated, this,
            [this](const QDBusObjectPath &session, const QString &shortcutId) {
                onActivated(session, shortcutId, false);
            });
    }
    // The answer comes as a signal on the request object, possibly before the
    // call returns: listen on the path the portal will use before calling.
    auto handler
        = std::make_shared<std::function<void(uint, const QVariantMap &)>>(std::move(onResponse));
    auto listen = [this, handler](const QString &path) {
        auto *request = new Portal::RequestProxy(path, m_bus, this);
        connect(request, &Portal::RequestProxy::Response, this,
            [request, handler](uint response, const QVariantMap &results) {
                request->deleteLater();
                if (auto respond = std::exchange(*handler, nullptr)) {
                    respond(response, results);
                }
            });
        return request;
    };
    const QString predicted = Portal::requestPath(m_bus.baseService(), token);
    const QPointer<Portal::RequestProxy> request = listen(predicted);

    QDBusMessage call = QDBusMessage::createMethodCall(
        Portal::serviceName, Portal::desktopPath, Portal::globalShortcutsInterface, method);
    call.setArguments(args);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, watcher, handler, predicted, listen, request, method] {
            watcher->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
            if (reply.isError()) {
                qCWarning(lcShortcuts)
                    << "Portal call" << method << "failed:" << reply.error().message();
                delete request;
                if (auto respond = std::exchange(*handler, nullptr)) {
                    respond(2, {});
                }
            } else if (reply.value().path() != predicted && *handler) {
                // Portals before version 0.9 chose their own request path.
                delete request;
                listen(reply.value().path());
            }
        });
}

void PortalHotKeyBackend::onActivated(
    const QDBusObjectPath &session, const QString &shortcutId, bool press)
{
    if (session.path() != m_session) {
        return;
    }
    if (press ? !m_held.insert(shortcutId).second : !m_held.erase(shortcutId)) {
        return; // repeated activation while held, or a release we never saw pressed
    }
    std::vector<quint32> ids;
    for (const auto &[id, registration] : m_registrations) {
        if (registration.shortcutId == shortcutId) {
            ids.push_back(id);
        }
    }
    for (const quint32 id : ids) {
        if (press) {
            Q_EMIT pressed(id);
        } else {
            Q_EMIT released(id);
        }
    }
}

QString PortalHotKeyBackend::nextToken()
{
    // Tokens name request objects per bus connection, which backends may share.
    static int counter = 0;
    return u"vantry%1"_s.arg(++counter);
}

} // namespace KeyboardShortcuts
