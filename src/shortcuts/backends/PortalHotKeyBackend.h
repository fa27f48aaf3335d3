// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/backends/DesktopHotKeyBackend.h"
#include "shortcuts/backends/PortalInterfaces.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace KeyboardShortcuts {

class XkbKeyboardLayout;

// System hot keys through the desktop portal's GlobalShortcuts interface, the
// one way a Wayland client gets keys while another window has the focus. A
// portal session binds its shortcuts once, so every change of the set starts
// a new session; the desktop has the final say on the triggers. Session token
// and shortcut ids never change between runs: desktops file the user's
// assignments under them (KDE names its shortcut component after the token).
// A shortcut the desktop accepted without assigning a key is pending, not
// refused: the user may assign one in the desktop's settings at any time.
// Nothing here waits on the portal: every call is asynchronous, and a request
// the desktop leaves unanswered (a dialog left open) is given up after a while.
class PortalHotKeyBackend final : public DesktopHotKeyBackend
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultRequestTimeout { std::chrono::minutes(2) };

    /// keyboard names the keys in the preferred triggers; appId is registered
    /// with the host registry (it must match the .desktop file's name).
    PortalHotKeyBackend(const QDBusConnection &bus, const XkbKeyboardLayout *keyboard,
        const QString &appId, std::chrono::milliseconds requestTimeout = defaultRequestTimeout,
        QObject *parent = nullptr);
    ~PortalHotKeyBackend() override;

    Status registerHotKey(quint32 id, KeyCombination combination) override;
    void unregisterHotKey(quint32 id) override;
    QString name() const override;

    /// Whether a GlobalShortcuts portal answers on the bus; waits for it (up to 5 s),
    /// so only for choosing between the portal and X11 grabs under XWayland.
    static bool hasGlobalShortcuts(const QDBusConnection &bus);
    /// The preferred trigger for a shortcut, e.g. "CTRL+LOGO+s"; empty when the key has no name.
    QString preferredTrigger(KeyCombination combination) const;
    /// The id the desktop knows a shortcut by, the same in every run; none when the
    /// key has no stored form.
    static std::optional<QString> desktopShortcutId(KeyCombination combination);
    /// The session handle token, the same in every run.
    static QString sessionToken();

Q_SIGNALS:
    /// A session bound its shortcuts (or gave up); for tests and logs.
    void bindingFinished();

private:
    struct Registration
    {
        QString shortcutId;
        KeyCombination combination;
        bool pending = false;
    };
    enum class Step { Idle, Closing, Registering, CreatingSession, Binding };

    void checkAvailability();
    void scheduleBind();
    void startBind();
    void registerAppId();
    void createSession();
    void bindShortcuts();
    void finishBind(const std::set<quint32> &refused);
    void closeSession(std::function<void()> then = {});
    /// The desktop closed our session, or it stopped answering: every registration is lost.
    void loseSession();
    /// Forgets the request under way, so that a late answer changes nothing.
    void dropRequest();
    Portal::ShortcutList wantedShortcuts() const;
    /// Takes in what the desktop says of our shortcuts: which ids it holds and
    /// which of them have a key.
    void applyDescriptions(const QVariant &shortcuts);
    void updatePending();
    /// Calls method with args, having subscribed to its request's Response first.
    void callWithRequest(const QString &method, QVariantList args, const QString &token,
        std::function<void(uint, const QVariantMap &)> onResponse);
    void onActivated(const QDBusObjectPath &session, const QString &shortcutId, bool press);
    QString nextToken();

private Q_SLOTS:
    void onShortcutsChanged(const QDBusMessage &message);

private:
    QDBusConnection m_bus;
    const XkbKeyboardLayout *m_keyboard;
    QString m_appId;
    std::chrono::milliseconds m_requestTimeout;
    std::optional<bool> m_available; // whether GlobalShortcuts answered; unknown while asking
    bool m_appIdRegistered = false;
    std::map<quint32, Registration> m_registrations;
    std::set<QString> m_bound; // shortcut ids the current session binds
    std::map<QString, bool> m_assigned; // shortcut id -> whether the desktop gave it a key
    std::set<QString> m_held;
    std::set<quint32> m_binding; // ids of the bind under way
    QString m_session;
    QPointer<Portal::SessionProxy> m_sessionProxy;
    QPointer<QObject> m_request; // the request under way; deleting it drops its answer
    Portal::GlobalShortcutsProxy *m_shortcuts = nullptr;
    Step m_step = Step::Idle;
    bool m_bindAgain = false;
    int m_createAttempts = 0;
    QTimer m_bindTimer;
    QTimer m_shrinkTimer;
};

} // namespace KeyboardShortcuts
