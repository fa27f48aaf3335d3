// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/backends/DesktopHotKeyBackend.h"

#include <map>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace KeyboardShortcuts {

class X11Connection;

// System hot keys as passive key grabs on the root window, one per combination
// of the lock modifiers, so that NumLock, CapsLock or ScrollLock being on does
// not silently kill a shortcut.
class X11HotKeyBackend final : public DesktopHotKeyBackend
{
    Q_OBJECT

public:
    explicit X11HotKeyBackend(std::shared_ptr<X11Connection> connection, QObject *parent = nullptr);
    ~X11HotKeyBackend() override;

    Status registerHotKey(quint32 id, KeyCombination combination) override;
    void unregisterHotKey(quint32 id) override;
    QString name() const override;
    bool keepsKeysFromOurWindows() const override { return true; }

    /// Whether another X client holds the combination: a probe grab that is
    /// released at once. Our own registrations never count as taken.
    bool isTakenByAnotherClient(KeyCombination combination);

    const std::shared_ptr<X11Connection> &connection() const { return m_connection; }

private:
    struct Grab
    {
        xcb_keycode_t keycode = 0;
        quint16 modifiers = 0;
        bool operator==(const Grab &) const = default;
    };
    struct Registration
    {
        KeyCombination combination;
        bool grabbed = false;
        Grab grab;
        std::vector<quint16> lockVariants; // what was grabbed, for releasing it exactly
    };
    struct ModifierMasks
    {
        quint16 super = XCB_MOD_MASK_4;
        quint16 alt = XCB_MOD_MASK_1;
        quint16 numLock = XCB_MOD_MASK_2;
        quint16 scrollLock = 0;
    };

    void readModifierMasks();
    Status resolve(KeyCombination combination, Grab *grab) const;
    std::vector<quint16> lockVariants(quint16 modifiers) const;
    quint16 lockMask() const;
    Status grabAll(const Grab &grab, const std::vector<quint16> &variants);
    void ungrabAll(const Grab &grab, const std::vector<quint16> &variants);
    bool grabbedByUs(const Grab &grab, quint32 exceptId) const;
    void onKeyEvent(bool press, quint8 keycode, quint16 state);
    void onKeyboardChanged();

    std::shared_ptr<X11Connection> m_connection;
    ModifierMasks m_masks;
    std::map<quint32, Registration> m_registrations;
    std::map<quint8, std::vector<quint32>> m_held; // pressed key -> ids it fired
};

} // namespace KeyboardShortcuts
