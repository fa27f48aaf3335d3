// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/PortalHotKeyBackend.h"

#include "core/Logging.h"
#include "shortcuts/KeyTable.h"
#include "shortcuts/Shortcut.h"
#include "shortcuts/backends/PortalInterfaces.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <algorithm>
#include <chrono>
#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace KeyboardShortcuts {

namespace {

// A session closed a moment ago may still hold its handle in the portal, which
// then refuses a new one under the same token for a short while.
constexpr int kCreateAttempts = 8;
constexpr auto kCreateRetryDelay = 250ms;
// A shortcut that is given up stays bound until the set is bound again; after
// this grace the session is renewed, but not for every menu that opens.
constexpr auto kShrinkGrace = 30s;
constexpr int kCloseTimeoutMs = 1000;
constexpr int kChoiceTimeoutMs = 5000;
// Our own response code for a request we gave up waiting for (the portal's are 0 to 2).
constexpr uint kNoAnswer = 3;

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
    const XkbKeyboardLayout *keyboard, const QString &appId,
    std::chrono::milliseconds requestTimeout, QObject *parent)
    : DesktopHotKeyBackend(parent)
    , m_bus(bus)
    , m_keyboard(keyboard)
    , m_appId(appId)
    , m_requestTimeout(requestTimeout)
{
    Portal::registerTypes();
    m_bindTimer.setSingleShot(true);
    m_bindTimer.setInterval(0);
    connect(&m_bindTimer, &QTimer::timeout, this, &PortalHotKeyBackend::startBind);
    m_shrinkTimer.setSingleShot(true);
    m_shrinkTimer.setInterval(kShrinkGrace);
    connect(&m_shrinkTimer, &QTimer::timeout, this, &PortalHotKeyBackend::scheduleBind);
    checkAvailability();
}

PortalHotKeyBackend::~PortalHotKeyBackend()
{
    dropRequest();
    if (!m_session.isEmpty()) {
        // Closed here and now, not when our bus connection goes: KDE's portal lets a
        // closing session take its shortcuts out of kglobalaccel, which are also those
        // of the next run's session under the same token if that one came first.
        m_bus.call(QDBusMessage::createMethodCall(
                       Portal::serviceName, m_session, Portal::sessionInterface, u"Close"_s),
            QDBus::Block, kCloseTimeoutMs);
    }
}

QString PortalHotKeyBackend::name() const
{
    return u"portal"_s;
}

std::optional<QString> PortalHotKeyBackend::desktopShortcutId(KeyCombination combination)
{
    // Named in stored-shortcut units, as before, so bindings the desktop keeps stay ours.
    const auto storedKey = macKeyCode(combination.keyCode);
    if (!storedKey) {
        return std::nullopt;
    }
    return u"hotkey-%1-%2"_s.arg(*storedKey)
        .arg(carbonModifiers(modifierFlags(combination.modifiers)));
}

QString PortalHotKeyBackend::sessionToken()
{
    return u"vantry"_s;
}

bool PortalHotKeyBackend::hasGlobalShortcuts(const QDBusConnection &bus)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        Portal::serviceName, Portal::desktopPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get.setArguments({ QString(Portal::globalShortcutsInterface), u"version"_s });
    return bus.isConnected()
        && bus.call(get, QDBus::Block, kChoiceTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

void PortalHotKeyBackend::checkAvailability()
{
    if (!m_bus.isConnected()) {
        m_available = false;
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(
        Portal::serviceName, Portal::desktopPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get.setArguments({ QString(Portal::globalShortcutsInterface), u"version"_s });
    auto *watcher
        = new QDBusPendingCallWatcher(m_bus.asyncCall(get, int(m_requestTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        m_available = !watcher->isError();
        if (!*m_available) {
            qCInfo(lcShortcuts) << "No GlobalShortcuts portal:" << watcher->error().message();
            std::vector<quint32> lost;
            for (const auto &[id, registration] : m_registrations) {
                lost.push_back(id);
            }
            m_registrations.clear();
            for (const quint32 id : lost) {
                Q_EMIT registrationFailed(id, NoService);
            }
        }
        scheduleBind();
    });
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
    if (m_available == false) {
        return NoService;
    }
    // Stable per combination, so the desktop remembers what the user chose for it.
    const auto desktopId = desktopShortcutId(combination);
    if (!desktopId) {
        return UnknownKey;
    }
    Registration &registration = m_registrations[id];
    registration = Registration { *desktopId, combination, false };
    if (!m_bound.contains(*desktopId)) {
        scheduleBind();
    } else {
        updatePending();
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
    if (m_step != Step::Idle || !m_available.has_value()) {
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
    closeSession([this, empty = wanted.empty()] {
        if (empty) {
            m_step = Step::Idle;
            Q_EMIT bindingFinished();
            if (m_bindAgain) {
                scheduleBind();
            }
        } else if (!m_appIdRegistered) {
            registerAppId();
        } else {
            m_createAttempts = 0;
            createSession();
        }
    });
}

Portal::ShortcutList PortalHotKeyBackend::wantedShortcuts() const
{
    Portal::ShortcutList shortcuts;
    std::set<QString> listed;
    for (const quint32 id : m_binding) {
        const auto it = m_registrations.find(id);
        if (it == m_registrations.end() || !listed.insert(it->second.shortcutId).second) {
            continue;
        }
        // Named in the layout of this moment: the compositor's keymap may have
        // come in since the registration.
        const QString trigger = preferredTrigger(it->second.combination);
        shortcuts.append({ it->second.shortcutId,
            { { u"description"_s, tr("Global shortcut %1").arg(trigger) },
                { u"preferred_trigger"_s, trigger } } });
    }
    return shortcuts;
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
        m_createAttempts = 0;
        createSession();
    });
}

void PortalHotKeyBackend::createSession()
{
    m_step = Step::CreatingSession;
    ++m_createAttempts;
    const QString token = nextToken();
    const Portal::ShortcutList wanted = wantedShortcuts();
    // KDE Plasma 5.27 files the shortcuts it is handed here with its shortcut
    // service (and gives them the preferred trigger when that is free); its
    // BindShortcuts only sends the user to System Settings, every time.
    const QVariantMap options { { u"handle_token"_s, token },
        { u"session_handle_token"_s, sessionToken() },
        { u"shortcuts"_s, QVariant::fromValue(wanted) } };
    callWithRequest(u"CreateSession"_s, { options }, token,
        [this, wanted](uint response, const QVariantMap &results) {
            const QString session = sessionHandle(results.value(u"session_handle"_s));
            if (response == 2 && m_createAttempts < kCreateAttempts) {
                QTimer::singleShot(kCreateRetryDelay, this, [this] {
                    if (m_step == Step::CreatingSession) {
                        createSession();
                    }
                });
                return;
            }
            if (response != 0 || session.isEmpty()) {
                qCWarning(lcShortcuts) << "The portal refused a shortcut session:" << response;
                finishBind(m_binding);
                return;
            }
            m_session = session;
            m_sessionProxy = new Portal::SessionProxy(m_session, m_bus, this);
            connect(m_sessionProxy, &Portal::SessionProxy::Closed, this, [this] {
                qCWarning(lcShortcuts) << "The desktop closed our shortcut session";
                loseSession();
            });
            applyDescriptions(results.value(u"shortcuts"_s));
            const bool known = std::all_of(
                wanted.begin(), wanted.end(), [this](const Portal::Shortcut &shortcut) {
                    return m_assigned.contains(shortcut.id);
                });
            if (known) {
                // The desktop holds every one already: binding again would only
                // make it ask the user once more.
                for (const auto &shortcut : wanted) {
                    m_bound.insert(shortcut.id);
                }
                finishBind({});
            } else {
                bindShortcuts();
            }
        });
}

void PortalHotKeyBackend::bindShortcuts()
{
    m_step = Step::Binding;
    const Portal::ShortcutList shortcuts = wantedShortcuts();
    const QString token = nextToken();
    const QVariantList args { QVariant::fromValue(QDBusObjectPath(m_session)),
        QVariant::fromValue(shortcuts), QString(), QVariantMap { { u"handle_token"_s, token } } };
    callWithRequest(u"BindShortcuts"_s, args, token,
        [this, shortcuts](uint response, const QVariantMap &results) {
            if (response != 0) {
                qCWarning(lcShortcuts) << "The desktop refused our shortcuts:" << response;
                finishBind(m_binding);
                return;
            }
            // Accepted. Ids the answer leaves out have no key yet (KDE Plasma 5.27
            // lists none and asks the user to assign them): they are pending.
            for (const auto &shortcut : shortcuts) {
                m_bound.insert(shortcut.id);
            }
            applyDescriptions(results.value(u"shortcuts"_s));
            finishBind({});
        });
}

void PortalHotKeyBackend::applyDescriptions(const QVariant &shortcuts)
{
    Portal::ShortcutList listed;
    if (shortcuts.metaType() == QMetaType::fromType<QDBusArgument>()) {
        shortcuts.value<QDBusArgument>() >> listed;
    } else if (shortcuts.metaType() == QMetaType::fromType<Portal::ShortcutList>()) {
        listed = shortcuts.value<Portal::ShortcutList>();
    }
    for (const auto &shortcut : listed) {
        // Portals that do not describe the trigger bound it as asked.
        const QVariant trigger = shortcut.properties.value(u"trigger_description"_s);
        m_assigned[shortcut.id] = !trigger.isValid() || !trigger.toString().isEmpty();
    }
    updatePending();
}

void PortalHotKeyBackend::updatePending()
{
    for (auto &[id, registration] : m_registrations) {
        if (!m_bound.contains(registration.shortcutId)) {
            continue;
        }
        const auto assigned = m_assigned.find(registration.shortcutId);
        const bool pending = assigned == m_assigned.end() || !assigned->second;
        if (pending == registration.pending) {
            continue;
        }
        registration.pending = pending;
        if (pending) {
            qCInfo(lcShortcuts).noquote()
                << u"The desktop has no key for %1 yet; assign one in its keyboard settings"_s.arg(
                       registration.shortcutId);
        } else {
            qCInfo(lcShortcuts).noquote()
                << u"The desktop assigned a key to %1"_s.arg(registration.shortcutId);
        }
    }
}

void PortalHotKeyBackend::onShortcutsChanged(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2 || args.at(0).value<QDBusObjectPath>().path() != m_session
        || m_session.isEmpty()) {
        return;
    }
    // The user assigned, changed or removed a key in the desktop's settings.
    Portal::ShortcutList listed;
    args.at(1).value<QDBusArgument>() >> listed;
    for (auto &[id, assigned] : m_assigned) {
        assigned = false;
    }
    applyDescriptions(QVariant::fromValue(listed));
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
    if (!m_session.isEmpty()) {
        qCDebug(lcShortcuts).noquote()
            << "Shortcut session" << m_session << "holds" << m_bound.size() << "shortcuts";
    }
    Q_EMIT bindingFinished();
    if (m_bindAgain) {
        scheduleBind();
    }
}

void PortalHotKeyBackend::closeSession(std::function<void()> then)
{
    dropRequest();
    const bool open = !m_session.isEmpty();
    if (open) {
        const QDBusPendingCall closing = m_bus.asyncCall(QDBusMessage::createMethodCall(
            Portal::serviceName, m_session, Portal::sessionInterface, u"Close"_s));
        if (then) {
            // The next session takes the same handle: wait until this one is gone.
            m_step = Step::Closing;
            auto *watcher = new QDBusPendingCallWatcher(closing, this);
            connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [watcher, then = std::move(then)] {
                    watcher->deleteLater();
                    then();
                });
        }
    }
    if (m_sessionProxy) {
        // Possibly in the middle of its Closed signal.
        m_sessionProxy->disconnect(this);
        m_sessionProxy->deleteLater();
    }
    m_session.clear();
    m_bound.clear();
    m_assigned.clear();
    m_held.clear();
    for (auto &[id, registration] : m_registrations) {
        registration.pending = false;
    }
    if (!open && then) {
        then();
    }
}

void PortalHotKeyBackend::loseSession()
{
    const bool binding = m_step != Step::Idle;
    m_session.clear(); // gone already: nothing to close
    closeSession();
    m_step = Step::Idle;
    m_binding.clear();
    const auto lost = std::exchange(m_registrations, {});
    for (const auto &[id, registration] : lost) {
        Q_EMIT registrationFailed(id, RefusedByDesktop);
    }
    if (binding) {
        Q_EMIT bindingFinished();
    }
}

void PortalHotKeyBackend::dropRequest()
{
    delete m_request;
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
        m_bus.connect(Portal::serviceName, Portal::desktopPath, Portal::globalShortcutsInterface,
            u"ShortcutsChanged"_s, this, SLOT(onShortcutsChanged(QDBusMessage)));
    }
    // One request at a time; everything that listens for it hangs off this
    // object, so that dropping it silences a late answer.
    dropRequest();
    auto *request = new QObject(this);
    m_request = request;
    auto respond = [this, request, onResponse = std::move(onResponse)](
                       uint response, const QVariantMap &results) {
        if (m_request != request) {
            return; // answered, given up or dropped already
        }
        m_request = nullptr;
        request->deleteLater();
        onResponse(response, results);
    };
    // The answer comes as a signal on the request object, possibly before the
    // call returns: listen on the path the portal will use before calling.
    auto listen = [this, request, respond](const QString &path) {
        auto *proxy = new Portal::RequestProxy(path, m_bus, request);
        connect(proxy, &Portal::RequestProxy::Response, request, respond);
        return proxy;
    };
    const QString predicted = Portal::requestPath(m_bus.baseService(), token);
    auto *listening = listen(predicted);

    QTimer::singleShot(m_requestTimeout, request, [this, request, respond, method] {
        // A dialog the user left open: close it, so that it cannot bind later.
        const auto *proxy = request->findChild<Portal::RequestProxy *>();
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            Portal::serviceName, proxy->path(), Portal::requestInterface, u"Close"_s));
        qCWarning(lcShortcuts) << "The portal did not answer" << method << "in time";
        respond(kNoAnswer, {});
    });

    QDBusMessage call = QDBusMessage::createMethodCall(
        Portal::serviceName, Portal::desktopPath, Portal::globalShortcutsInterface, method);
    call.setArguments(args);
    auto *watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(call, int(m_requestTimeout.count())), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request,
        [watcher, predicted, listen, listening, respond, method] {
            const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
            if (reply.isError()) {
                qCWarning(lcShortcuts)
                    << "Portal call" << method << "failed:" << reply.error().message();
                respond(2, {});
            } else if (reply.value().path() != predicted) {
                // Portals before version 0.9 chose their own request path.
                delete listening;
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
    return u"vantry_request%1"_s.arg(++counter);
}

} // namespace KeyboardShortcuts
