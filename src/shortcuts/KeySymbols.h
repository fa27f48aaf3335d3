// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Shortcut.h"

#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// Keys that print nothing and are shown with fixed symbols instead of asking
// the keyboard layout.
enum class SpecialKey {
    Return,
    Delete,
    DeleteForward,
    End,
    Escape,
    Help,
    Home,
    Space,
    Tab,
    PageUp,
    PageDown,
    UpArrow,
    RightArrow,
    DownArrow,
    LeftArrow,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    F13,
    F14,
    F15,
    F16,
    F17,
    F18,
    F19,
    F20,
    Keypad0,
    Keypad1,
    Keypad2,
    Keypad3,
    Keypad4,
    Keypad5,
    Keypad6,
    Keypad7,
    Keypad8,
    Keypad9,
    KeypadClear,
    KeypadDecimal,
    KeypadDivide,
    KeypadEnter,
    KeypadEquals,
    KeypadMinus,
    KeypadMultiply,
    KeypadPlus,
};

/// The special key at a virtual key code; none for keys the layout names.
std::optional<SpecialKey> specialKey(qint64 keyCode);
/// Its symbol in display strings ("↩", "F5", the localised "space" text, ...).
QString displaySymbol(SpecialKey key);
/// Its menu key equivalent; none for the keypad keys.
std::optional<QString> menuKeyEquivalent(SpecialKey key);
/// Whether it is one of F1 to F20.
bool isFunctionKey(SpecialKey key);
/// The Qt key of the same name; none for the keypad keys.
std::optional<Qt::Key> qtKey(SpecialKey key);

/// The key a Linux keyboard has at its place, keypad keys with the keypad flag: the
/// Apple Help key sits where PC keyboards have Insert, keypad Clear where they have NumLock.
QKeyCombination linuxKey(SpecialKey key);
/// The modifiers as Linux desktops name them, each followed by "+" ("Ctrl+Super+").
QString modifierNames(ModifierFlags flags);

/// text with its first letter upper-cased ("s" -> "S").
QString capitalizedFirstLetter(const QString &text);

/// The symbols of the modifiers, always in the order ⌃⌥⇧⌘ and the globe for function.
QString modifierString(ModifierFlags flags);

} // namespace KeyboardShortcuts
