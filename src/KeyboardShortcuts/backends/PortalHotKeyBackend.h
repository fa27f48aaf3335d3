// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyboardShortcuts/backends/DesktopHotKeyBackend.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

#include <functional>
#include <map>
#include <optional>
#include <set>

namespace KeyboardShortcuts {

class XkbKeyboardLayout;

namespace Portal {
class GlobalShortcutsProxy;
class SessionProxy;
} // namespace Portal

// System hot keys through the desktop portal's GlobalShortcuts interface, the
// one way a Wayland client gets keys while another window has the focus. A
// portal session binds its shortcuts once, so every change of the set starts
// a new session; the desktop has the final say on the triggers.
class PortalHotKeyBackend final : public DesktopHotKeyBackend
{
    Q_OBJECT

public:
    /// keyboard names the keys in the preferred triggers; appId is registered
    /// with the host registry (it must match the .desktop file's name).
    PortalHotKeyBackend(const QDBusConnection &bus, const XkbKeyboardLayout *keyboard,
        const QString &appId, QObject *parent = nullptr);
    ~PortalHotKeyBackend() override;

    Status registerHotKey(quint32 id, KeyCombination combination) override;
    void unregisterHotKey(quint32 id) override;
    QString name() const override;

    /// Whether a GlobalShortcuts portal answers on the bus (asked once).
    bool isAvailable();
    /// The preferred trigger for a shortcut, e.g. "CTRL+LOGO+s"; empty when the key has no name.
    QString preferredTrigger(KeyCombination combination) const;

Q_SIGNALS:
    /// A session bound its shortcuts (or gave up); for tests and logs.
    void bindingFinished();

private:
    struct Registration
    {
        QString shortcutId;
        QString trigger;
    };
    enum class Step { Idle, Registering, CreatingSession, Binding };

    void scheduleBind();
    void startBind();
    void registerAppId();
    void createSession();
    void bindShortcuts();
    void finishBind(const std::set<quint32> &refused);
    void closeSession();
    /// Calls method with args, having subscribed to its request's Response first.
    void callWithRequest(const QString &method, QVariantList args, const QString &token,
        std::function<void(uint, const QVariantMap &)> onResponse);
    void onActivated(const QDBusObjectPath &session, const QString &shortcutId, bool press);
    QString nextToken();

    QDBusConnection m_bus;
    const XkbKeyboardLayout *m_keyboard;
    QString m_appId;
    std::optional<bool> m_available;
    bool m_appIdRegistered = false;
    std::map<quint32, Registration> m_registrations;
    std::set<QString> m_bound; // shortcut ids the current session binds
    std::set<QString> m_held;
    std::set<quint32> m_binding; // ids of the bind under way
    QString m_session;
    QPointer<Portal::SessionProxy> m_sessionProxy;
    Portal::GlobalShortcutsProxy *m_shortcuts = nullptr;
    Step m_step = Step::Idle;
    bool m_bindAgain = false;
    QTimer m_bindTimer;
    QTimer m_shrinkTimer;
};

} // namespace KeyboardShortcuts
