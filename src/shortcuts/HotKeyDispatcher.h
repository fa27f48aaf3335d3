// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Shortcut.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QKeyEvent;

namespace KeyboardShortcuts {

class LocalEventMonitor;

// The hot key layer: one system registration per HotKey record, and the switch
// between hot key events from the backend and ordinary key events while one of
// our menus is open (a Qt popup menu grabs the keyboard, so system hot keys
// cannot fire then). Stored shortcuts become evdev codes and Qt modifiers here
// and nowhere else.
class HotKeyDispatcher final : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<void(const Shortcut &)>;

    enum class State {
        Idle, // nothing registered successfully yet: no events handled
        Active, // hot keys registered, backend events handled
        MenuOpen, // hot keys released, key events of the open menu handled
        Recording, // a recorder records: hot keys that hide keys from it released
    };
    Q_ENUM(State)

    struct HotKey
    {
        Shortcut shortcut;
        quint32 hotKeyId = 0;
        bool registered = false; // whether the backend holds it now
        Action onKeyDown;
        Action onKeyUp;
    };

    explicit HotKeyDispatcher(HotKeyBackend *backend, QObject *parent = nullptr);
    ~HotKeyDispatcher() override;

    /// Registers with the backend under a fresh id. A refusal prints
    /// "Error registering hotkey <description>: <status>" and stores nothing.
    void registerHotKey(const Shortcut &shortcut, Action onKeyDown, Action onKeyUp);
    /// Releases and forgets every record of the shortcut.
    void unregisterHotKey(const Shortcut &shortcut);

    void setMenuTrackingActive(bool active);
    /// A recorder records: hot keys that would keep its keys from it are released.
    void setRecorderActive(bool active);
    State state() const { return m_state; }

    /// The combination the system sees for a shortcut; none when its key has no evdev code.
    static std::optional<KeyCombination> combinationOf(const Shortcut &shortcut);
    /// The stored form of a combination; none when the key has no stored code.
    static std::optional<Shortcut> shortcutOf(KeyCombination combination);

    /// Whether the desktop or another program already uses the shortcut.
    bool isSystemHotKey(const Shortcut &shortcut) const;
    /// The desktop's own shortcuts that the stored format can name.
    QList<Shortcut> systemHotKeys() const;

    /// Why the desktop did not take the shortcut at its last registration; none when it did.
    std::optional<HotKeyBackend::Status> refusal(const Shortcut &shortcut) const;

    const std::map<quint32, HotKey> &hotKeyTable() const { return m_hotKeyTable; }

    /// The ordinary key event path: runs the first record matching the event's
    /// key code and modifiers. True when a record matched (the event is ours).
    bool handleRawKeyEvent(const QKeyEvent *event);

Q_SIGNALS:
    /// A registration was refused, or a refused shortcut was accepted at last.
    void refusalsChanged();

private:
    void noteRegistration(const Shortcut &shortcut, HotKeyBackend::Status status);
    void registerAllHotKeys();
    void unregisterAllHotKeys();
    void refreshEventHandler();
    void installEventHandler();
    HotKeyBackend::Status registerWithBackend(const HotKey &hotKey);
    void onPressed(quint32 id);
    void onReleased(quint32 id);
    void dispatch(quint32 id, Action HotKey::*action);
    void onRegistrationFailed(quint32 id, HotKeyBackend::Status status);
    static void printRegistrationError(const Shortcut &shortcut, int status);

    QHash<Shortcut, HotKeyBackend::Status> m_refusals;

    QPointer<HotKeyBackend> m_backend;
    std::map<quint32, HotKey> m_hotKeyTable;
    quint32 m_hotKeyIdCounter = 0;
    bool m_eventHandlerInstalled = false;
    bool m_menuTrackingActive = false;
    bool m_recorderActive = false;
    State m_state = State::Idle;
    std::unique_ptr<LocalEventMonitor> m_menuKeyEventFilter;
};

} // namespace KeyboardShortcuts
