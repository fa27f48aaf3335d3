// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Key.h"

#include <QKeyCombination>

#include <linux/input-event-codes.h>

#include <array>
#include <optional>
#include <string_view>

namespace KeyboardShortcuts {

// One row per key the module knows.
struct KeyRow
{
    std::string_view name; // for namedKey() and messages
    int code; // the stored code: shortcuts in the settings keep it, so it never changes
    int evdev; // the Linux key at the same place (an X key code is this + 8)
    // Keys the layout names (letters, digits, punctuation) leave the last two empty and
    // show the layout's text. The others show Qt's name for the key at their place in
    // display text, and their symbol in the compact form.
    QKeyCombination qtKey {};
    std::u16string_view symbol {}; // empty for space: its symbol is a translated word

    /// Whether the key is shown by its own names instead of the layout's text.
    constexpr bool isSpecial() const { return qtKey.key() != Qt::Key_unknown; }
    /// Whether it is one of F1 to F20.
    constexpr bool isFunctionKey() const
    {
        return qtKey.key() >= Qt::Key_F1 && qtKey.key() <= Qt::Key_F20;
    }
    constexpr bool isKeypadKey() const { return name.starts_with("keypad"); }
};

/// The key on the keypad, as Qt names it.
constexpr QKeyCombination onKeypad(Qt::Key key)
{
    return QKeyCombination(Qt::KeypadModifier, key);
}

// Places, not labels: the Apple Help key sits where PC keyboards have Insert, keypad
// Clear where they have NumLock. The last four are ISO and JIS keys.
inline constexpr std::array kKeyTable = std::to_array<KeyRow>({
    { "a", 0x00, KEY_A },
    { "b", 0x0B, KEY_B },
    { "c", 0x08, KEY_C },
    { "d", 0x02, KEY_D },
    { "e", 0x0E, KEY_E },
    { "f", 0x03, KEY_F },
    { "g", 0x05, KEY_G },
    { "h", 0x04, KEY_H },
    { "i", 0x22, KEY_I },
    { "j", 0x26, KEY_J },
    { "k", 0x28, KEY_K },
    { "l", 0x25, KEY_L },
    { "m", 0x2E, KEY_M },
    { "n", 0x2D, KEY_N },
    { "o", 0x1F, KEY_O },
    { "p", 0x23, KEY_P },
    { "q", 0x0C, KEY_Q },
    { "r", 0x0F, KEY_R },
    { "s", 0x01, KEY_S },
    { "t", 0x11, KEY_T },
    { "u", 0x20, KEY_U },
    { "v", 0x09, KEY_V },
    { "w", 0x0D, KEY_W },
    { "x", 0x07, KEY_X },
    { "y", 0x10, KEY_Y },
    { "z", 0x06, KEY_Z },
    { "0", 0x1D, KEY_0 },
    { "1", 0x12, KEY_1 },
    { "2", 0x13, KEY_2 },
    { "3", 0x14, KEY_3 },
    { "4", 0x15, KEY_4 },
    { "5", 0x17, KEY_5 },
    { "6", 0x16, KEY_6 },
    { "7", 0x1A, KEY_7 },
    { "8", 0x1C, KEY_8 },
    { "9", 0x19, KEY_9 },
    { "capsLock", 0x39, KEY_CAPSLOCK },
    { "shift", 0x38, KEY_LEFTSHIFT },
    { "function", 0x3F, KEY_FN },
    { "control", 0x3B, KEY_LEFTCTRL },
    { "option", 0x3A, KEY_LEFTALT },
    { "command", 0x37, KEY_LEFTMETA },
    { "rightCommand", 0x36, KEY_RIGHTMETA },
    { "rightOption", 0x3D, KEY_RIGHTALT },
    { "rightControl", 0x3E, KEY_RIGHTCTRL },
    { "rightShift", 0x3C, KEY_RIGHTSHIFT },
    { "return", 0x24, KEY_ENTER, Qt::Key_Return, u"\u21A9" },
    { "backslash", 0x2A, KEY_BACKSLASH },
    { "backtick", 0x32, KEY_GRAVE },
    { "comma", 0x2B, KEY_COMMA },
    { "equal", 0x18, KEY_EQUAL },
    { "minus", 0x1B, KEY_MINUS },
    { "period", 0x2F, KEY_DOT },
    { "quote", 0x27, KEY_APOSTROPHE },
    { "semicolon", 0x29, KEY_SEMICOLON },
    { "slash", 0x2C, KEY_SLASH },
    { "space", 0x31, KEY_SPACE, Qt::Key_Space },
    { "tab", 0x30, KEY_TAB, Qt::Key_Tab, u"\u21E5" },
    { "leftBracket", 0x21, KEY_LEFTBRACE },
    { "rightBracket", 0x1E, KEY_RIGHTBRACE },
    { "pageUp", 0x74, KEY_PAGEUP, Qt::Key_PageUp, u"\u21DE" },
    { "pageDown", 0x79, KEY_PAGEDOWN, Qt::Key_PageDown, u"\u21DF" },
    { "home", 0x73, KEY_HOME, Qt::Key_Home, u"\u2196" },
    { "end", 0x77, KEY_END, Qt::Key_End, u"\u2198" },
    { "upArrow", 0x7E, KEY_UP, Qt::Key_Up, u"\u2191" },
    { "rightArrow", 0x7C, KEY_RIGHT, Qt::Key_Right, u"\u2192" },
    { "downArrow", 0x7D, KEY_DOWN, Qt::Key_Down, u"\u2193" },
    { "leftArrow", 0x7B, KEY_LEFT, Qt::Key_Left, u"\u2190" },
    { "escape", 0x35, KEY_ESC, Qt::Key_Escape, u"\u238B" },
    { "delete", 0x33, KEY_BACKSPACE, Qt::Key_Backspace, u"\u232B" },
    { "deleteForward", 0x75, KEY_DELETE, Qt::Key_Delete, u"\u2326" },
    { "help", 0x72, KEY_INSERT, Qt::Key_Insert, u"?\u20DD" },
    { "mute", 0x4A, KEY_MUTE },
    { "volumeUp", 0x48, KEY_VOLUMEUP },
    { "volumeDown", 0x49, KEY_VOLUMEDOWN },
    { "f1", 0x7A, KEY_F1, Qt::Key_F1, u"F1" },
    { "f2", 0x78, KEY_F2, Qt::Key_F2, u"F2" },
    { "f3", 0x63, KEY_F3, Qt::Key_F3, u"F3" },
    { "f4", 0x76, KEY_F4, Qt::Key_F4, u"F4" },
    { "f5", 0x60, KEY_F5, Qt::Key_F5, u"F5" },
    { "f6", 0x61, KEY_F6, Qt::Key_F6, u"F6" },
    { "f7", 0x62, KEY_F7, Qt::Key_F7, u"F7" },
    { "f8", 0x64, KEY_F8, Qt::Key_F8, u"F8" },
    { "f9", 0x65, KEY_F9, Qt::Key_F9, u"F9" },
    { "f10", 0x6D, KEY_F10, Qt::Key_F10, u"F10" },
    { "f11", 0x67, KEY_F11, Qt::Key_F11, u"F11" },
    { "f12", 0x6F, KEY_F12, Qt::Key_F12, u"F12" },
    { "f13", 0x69, KEY_F13, Qt::Key_F13, u"F13" },
    { "f14", 0x6B, KEY_F14, Qt::Key_F14, u"F14" },
    { "f15", 0x71, KEY_F15, Qt::Key_F15, u"F15" },
    { "f16", 0x6A, KEY_F16, Qt::Key_F16, u"F16" },
    { "f17", 0x40, KEY_F17, Qt::Key_F17, u"F17" },
    { "f18", 0x4F, KEY_F18, Qt::Key_F18, u"F18" },
    { "f19", 0x50, KEY_F19, Qt::Key_F19, u"F19" },
    { "f20", 0x5A, KEY_F20, Qt::Key_F20, u"F20" },
    { "keypad0", 0x52, KEY_KP0, onKeypad(Qt::Key_0), u"0\u20E3" },
    { "keypad1", 0x53, KEY_KP1, onKeypad(Qt::Key_1), u"1\u20E3" },
    { "keypad2", 0x54, KEY_KP2, onKeypad(Qt::Key_2), u"2\u20E3" },
    { "keypad3", 0x55, KEY_KP3, onKeypad(Qt::Key_3), u"3\u20E3" },
    { "keypad4", 0x56, KEY_KP4, onKeypad(Qt::Key_4), u"4\u20E3" },
    { "keypad5", 0x57, KEY_KP5, onKeypad(Qt::Key_5), u"5\u20E3" },
    { "keypad6", 0x58, KEY_KP6, onKeypad(Qt::Key_6), u"6\u20E3" },
    { "keypad7", 0x59, KEY_KP7, onKeypad(Qt::Key_7), u"7\u20E3" },
    { "keypad8", 0x5B, KEY_KP8, onKeypad(Qt::Key_8), u"8\u20E3" },
    { "keypad9", 0x5C, KEY_KP9, onKeypad(Qt::Key_9), u"9\u20E3" },
    { "keypadClear", 0x47, KEY_NUMLOCK, Qt::Key_NumLock, u"\u2612\u20E3" },
    { "keypadDecimal", 0x41, KEY_KPDOT, onKeypad(Qt::Key_Period), u".\u20E3" },
    { "keypadDivide", 0x4B, KEY_KPSLASH, onKeypad(Qt::Key_Slash), u"/\u20E3" },
    { "keypadEnter", 0x4C, KEY_KPENTER, onKeypad(Qt::Key_Enter), u"\u21A9\u20E3" },
    { "keypadEquals", 0x51, KEY_KPEQUAL, onKeypad(Qt::Key_Equal), u"=\u20E3" },
    { "keypadMinus", 0x4E, KEY_KPMINUS, onKeypad(Qt::Key_Minus), u"-\u20E3" },
    { "keypadMultiply", 0x43, KEY_KPASTERISK, onKeypad(Qt::Key_Asterisk), u"*\u20E3" },
    { "keypadPlus", 0x45, KEY_KPPLUS, onKeypad(Qt::Key_Plus), u"+\u20E3" },
    { "section", 0x0A, KEY_102ND },
    { "yen", 0x5D, KEY_YEN },
    { "underscore", 0x5E, KEY_RO },
    { "keypadComma", 0x5F, KEY_KPJPCOMMA },
});

/// The key of the row named name, checked when compiling: namedKey("pageUp").
consteval Key namedKey(std::string_view name)
{
    for (const KeyRow &row : kKeyTable) {
        if (row.name == name)
            return Key(row.code);
    }
    throw "no key of that name";
}

/// The row of a stored key code; null for codes no key has.
constexpr const KeyRow *keyRow(qint64 code)
{
    for (const KeyRow &row : kKeyTable) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

/// The row of a key shown by its own names (keyRow() when isSpecial()); null otherwise.
constexpr const KeyRow *specialKey(qint64 code)
{
    const KeyRow *row = keyRow(code);
    return row && row->isSpecial() ? row : nullptr;
}

/// The evdev key code at the same place as the stored key code, if any.
constexpr std::optional<int> evdevKeyCode(qint64 code)
{
    const KeyRow *row = keyRow(code);
    return row ? std::optional(row->evdev) : std::nullopt;
}

/// The stored key code at the place of the evdev key code, if any.
constexpr std::optional<int> macKeyCode(int evdev)
{
    for (const KeyRow &row : kKeyTable) {
        if (row.evdev == evdev)
            return row.code;
    }
    return std::nullopt;
}

} // namespace KeyboardShortcuts
