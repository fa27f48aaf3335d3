// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

/// One key combination as the system sees it: the evdev code of a physical key
/// (an X key code is this + 8) and Qt modifiers, Meta being the Super key.
struct KeyCombination
{
    int keyCode = 0;
    Qt::KeyboardModifiers modifiers;

    friend bool operator==(const KeyCombination &, const KeyCombination &) = default;
};

// What the hot key layer needs of the system: register a system-wide key
// combination under an id and report its presses and releases. Backends: X11
// key grabs, the GlobalShortcuts desktop portal on Wayland, and a recording
// fake for tests. The dispatcher converts stored shortcuts to combinations.
class HotKeyBackend : public QObject
{
    Q_OBJECT

public:
    // The status codes printed in the "Error registering hotkey" line.
    enum Status : int {
        NoError = 0,
        TakenByAnotherClient = 1, // the desktop or another program owns the combination
        UnknownKey = 2, // the key has no key code in the current keyboard layout
        UnsupportedModifier = 3, // the function modifier (Linux keyboards lack it), or none at all
        NoService = 4, // no X server connection and no GlobalShortcuts portal
        RefusedByDesktop = 5, // the portal or the desktop refused the binding
    };
    Q_ENUM(Status)

    using QObject::QObject;

    /// Registers the combination under id. Returns NoError or why it cannot.
    /// A backend that only learns later that the binding failed emits registrationFailed.
    virtual Status registerHotKey(quint32 id, KeyCombination combination) = 0;
    /// Releases the registration made under id; unknown ids are ignored.
    virtual void unregisterHotKey(quint32 id) = 0;
    /// Whether a registration keeps its combination from our own windows too (an X
    /// grab does), so that a recorder can only record it while it is released.
    virtual bool keepsKeysFromOurWindows() const { return false; }
    /// A short name for logs ("x11", "portal", "fake").
    virtual QString name() const = 0;
    /// Combinations the desktop itself already uses; the recorder warns before
    /// taking one. Empty when unknown.
    virtual QList<KeyCombination> systemHotKeys() const { return {}; }
    /// Whether the desktop or another program already uses this combination. Unlike
    /// systemHotKeys() this may also ask the system about the one combination (an X11
    /// probe grab finds other programs' grabs, which no list names).
    virtual bool isSystemHotKey(KeyCombination combination) const
    {
        return systemHotKeys().contains(combination);
    }

    /// Whether the desktop keeps a registration and acts on it by itself (it runs our
    /// command), so that releasing it while a menu is open, or as we quit, only churns the
    /// desktop's settings. Such a backend is told only when a shortcut goes for good.
    virtual bool keepsRegistrations() const { return false; }
    /// Where the user finds and changes, in the desktop's own settings, what this backend
    /// filed there ("Settings → Keyboard → …"); empty when it files nothing there.
    virtual QString desktopSettingsPlace() const { return {}; }

Q_SIGNALS:
    void pressed(quint32 id);
    void released(quint32 id);
    void registrationFailed(quint32 id, KeyboardShortcuts::HotKeyBackend::Status status);
    /// The user gave the registration under id other keys, or none, in the desktop's
    /// own settings; the stored shortcut should follow.
    void changedInDesktop(quint32 id, std::optional<KeyboardShortcuts::KeyCombination> combination);
    /// The desktop's own settings gained a shortcut of ours (see desktopSettingsPlace()).
    void filedInDesktop();
};

} // namespace KeyboardShortcuts
