// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/KeyboardLayout.h"

#include <QByteArray>

#include <memory>
#include <optional>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace KeyboardShortcuts {

class X11Connection;

// Key texts from xkbcommon: the running X server's keymap and group, or a
// keymap compiled from XKB names where there is no X server to ask.
class XkbKeyboardLayout final : public KeyboardLayout
{
    Q_OBJECT

public:
    /// XKB rule names; empty fields take the system's defaults ($XKB_DEFAULT_LAYOUT etc.).
    struct Names
    {
        QByteArray rules, model, layout, variant, options;
    };

    /// The system's keyboard settings where there is no X server to ask:
    /// $XKB_DEFAULT_* when set, else /etc/default/keyboard (what localectl writes).
    static Names systemNames(const QByteArray &keyboardFile = "/etc/default/keyboard");

    /// Follows the X server's keymap and active group.
    explicit XkbKeyboardLayout(
        std::shared_ptr<X11Connection> connection, QObject *parent = nullptr);
    /// A fixed keymap compiled from names.
    explicit XkbKeyboardLayout(const Names &names, QObject *parent = nullptr);
    ~XkbKeyboardLayout() override;

    /// Whether a keymap could be had; without one every key reads as unknown.
    bool isValid() const { return m_keymap != nullptr; }

    /// Replaces the keymap with one in XKB's text format, as a Wayland compositor
    /// hands it out. False (and the keymap unchanged) when it does not compile.
    bool setKeymap(const QByteArray &keymapText);
    /// The modifier and layout group state, as a Wayland compositor reports it.
    void setState(quint32 depressed, quint32 latched, quint32 locked, quint32 group);

    QString keyToCharacter(int keyCode) const override;

    /// The key symbol of the unshifted key (evdev code) in the current group, 0 when none.
    quint32 keysym(int evdevKeyCode) const;
    /// The key (evdev code) that types the symbol in the current group,
    /// unshifted or with Shift (then *shifted is set); keys of the main block
    /// win over the keypad. Only keys a stored shortcut can name count.
    std::optional<int> keyCodeForKeysym(quint32 keysym, bool *shifted = nullptr) const;

private:
    void loadFromServer();
    void onStateChanged(quint8 baseMods, quint8 latchedMods, quint8 lockedMods, qint16 baseGroup,
        qint16 latchedGroup, quint8 lockedGroup);
    quint32 keysymAt(quint32 xkbKeycode, quint32 level) const;

    std::shared_ptr<X11Connection> m_connection;
    xkb_context *m_context = nullptr;
    xkb_keymap *m_keymap = nullptr;
    xkb_state *m_state = nullptr;
};

} // namespace KeyboardShortcuts
