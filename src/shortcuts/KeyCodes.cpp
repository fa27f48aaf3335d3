// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/KeyCodes.h"

#include <linux/input-event-codes.h>

#include <array>
#include <utility>

namespace KeyboardShortcuts {

namespace {

// macOS virtual key code -> evdev code of the key at the same place. Positions,
// not labels: the Apple "Help" key sits where PC keyboards have Insert, the
// keypad "Clear" key where they have NumLock.
constexpr std::array kPositions = std::to_array<std::pair<int, int>>({
    { 0x00, KEY_A }, // a
    { 0x0B, KEY_B }, // b
    { 0x08, KEY_C }, // c
    { 0x02, KEY_D }, // d
    { 0x0E, KEY_E }, // e
    { 0x03, KEY_F }, // f
    { 0x05, KEY_G }, // g
    { 0x04, KEY_H }, // h
    { 0x22, KEY_I }, // i
    { 0x26, KEY_J }, // j
    { 0x28, KEY_K }, // k
    { 0x25, KEY_L }, // l
    { 0x2E, KEY_M }, // m
    { 0x2D, KEY_N }, // n
    { 0x1F, KEY_O }, // o
    { 0x23, KEY_P }, // p
    { 0x0C, KEY_Q }, // q
    { 0x0F, KEY_R }, // r
    { 0x01, KEY_S }, // s
    { 0x11, KEY_T }, // t
    { 0x20, KEY_U }, // u
    { 0x09, KEY_V }, // v
    { 0x0D, KEY_W }, // w
    { 0x07, KEY_X }, // x
    { 0x10, KEY_Y }, // y
    { 0x06, KEY_Z }, // z
    { 0x1D, KEY_0 }, // zero
    { 0x12, KEY_1 }, // one
    { 0x13, KEY_2 }, // two
    { 0x14, KEY_3 }, // three
    { 0x15, KEY_4 }, // four
    { 0x17, KEY_5 }, // five
    { 0x16, KEY_6 }, // six
    { 0x1A, KEY_7 }, // seven
    { 0x1C, KEY_8 }, // eight
    { 0x19, KEY_9 }, // nine
    { 0x39, KEY_CAPSLOCK }, // capsLock
    { 0x38, KEY_LEFTSHIFT }, // shift
    { 0x3F, KEY_FN }, // function
    { 0x3B, KEY_LEFTCTRL }, // control
    { 0x3A, KEY_LEFTALT }, // option
    { 0x37, KEY_LEFTMETA }, // command
    { 0x36, KEY_RIGHTMETA }, // rightCommand
    { 0x3D, KEY_RIGHTALT }, // rightOption
    { 0x3E, KEY_RIGHTCTRL }, // rightControl
    { 0x3C, KEY_RIGHTSHIFT }, // rightShift
    { 0x24, KEY_ENTER }, // return
    { 0x2A, KEY_BACKSLASH }, // backslash
    { 0x32, KEY_GRAVE }, // backtick
    { 0x2B, KEY_COMMA }, // comma
    { 0x18, KEY_EQUAL }, // equal
    { 0x1B, KEY_MINUS }, // minus
    { 0x2F, KEY_DOT }, // period
    { 0x27, KEY_APOSTROPHE }, // quote
    { 0x29, KEY_SEMICOLON }, // semicolon
    { 0x2C, KEY_SLASH }, // slash
    { 0x31, KEY_SPACE }, // space
    { 0x30, KEY_TAB }, // tab
    { 0x21, KEY_LEFTBRACE }, // leftBracket
    { 0x1E, KEY_RIGHTBRACE }, // rightBracket
    { 0x74, KEY_PAGEUP }, // pageUp
    { 0x79, KEY_PAGEDOWN }, // pageDown
    { 0x73, KEY_HOME }, // home
    { 0x77, KEY_END }, // end
    { 0x7E, KEY_UP }, // upArrow
    { 0x7C, KEY_RIGHT }, // rightArrow
    { 0x7D, KEY_DOWN }, // downArrow
    { 0x7B, KEY_LEFT }, // leftArrow
    { 0x35, KEY_ESC }, // escape
    { 0x33, KEY_BACKSPACE }, // delete
    { 0x75, KEY_DELETE }, // deleteForward
    { 0x72, KEY_INSERT }, // help
    { 0x4A, KEY_MUTE }, // mute
    { 0x48, KEY_VOLUMEUP }, // volumeUp
    { 0x49, KEY_VOLUMEDOWN }, // volumeDown
    { 0x7A, KEY_F1 }, // f1
    { 0x78, KEY_F2 }, // f2
    { 0x63, KEY_F3 }, // f3
    { 0x76, KEY_F4 }, // f4
    { 0x60, KEY_F5 }, // f5
    { 0x61, KEY_F6 }, // f6
    { 0x62, KEY_F7 }, // f7
    { 0x64, KEY_F8 }, // f8
    { 0x65, KEY_F9 }, // f9
    { 0x6D, KEY_F10 }, // f10
    { 0x67, KEY_F11 }, // f11
    { 0x6F, KEY_F12 }, // f12
    { 0x69, KEY_F13 }, // f13
    { 0x6B, KEY_F14 }, // f14
    { 0x71, KEY_F15 }, // f15
    { 0x6A, KEY_F16 }, // f16
    { 0x40, KEY_F17 }, // f17
    { 0x4F, KEY_F18 }, // f18
    { 0x50, KEY_F19 }, // f19
    { 0x5A, KEY_F20 }, // f20
    { 0x52, KEY_KP0 }, // keypad0
    { 0x53, KEY_KP1 }, // keypad1
    { 0x54, KEY_KP2 }, // keypad2
    { 0x55, KEY_KP3 }, // keypad3
    { 0x56, KEY_KP4 }, // keypad4
    { 0x57, KEY_KP5 }, // keypad5
    { 0x58, KEY_KP6 }, // keypad6
    { 0x59, KEY_KP7 }, // keypad7
    { 0x5B, KEY_KP8 }, // keypad8
    { 0x5C, KEY_KP9 }, // keypad9
    { 0x47, KEY_NUMLOCK }, // keypadClear
    { 0x41, KEY_KPDOT }, // keypadDecimal
    { 0x4B, KEY_KPSLASH }, // keypadDivide
    { 0x4C, KEY_KPENTER }, // keypadEnter
    { 0x51, KEY_KPEQUAL }, // keypadEquals
    { 0x4E, KEY_KPMINUS }, // keypadMinus
    { 0x43, KEY_KPASTERISK }, // keypadMultiply
    { 0x45, KEY_KPPLUS }, // keypadPlus
    // Keys without a named constant that ISO and JIS keyboards still have.
    { 0x0A, KEY_102ND }, // section sign / the extra key left of Z
    { 0x5D, KEY_YEN },
    { 0x5E, KEY_RO },
    { 0x5F, KEY_KPJPCOMMA },
});

} // namespace

std::optional<int> evdevKeyCode(int macKeyCode)
{
    for (const auto &[mac, evdev] : kPositions) {
        if (mac == macKeyCode)
            return evdev;
    }
    return std::nullopt;
}

std::optional<int> macKeyCode(int evdevKeyCode)
{
    for (const auto &[mac, evdev] : kPositions) {
        if (evdev == evdevKeyCode)
            return mac;
    }
    return std::nullopt;
}

} // namespace KeyboardShortcuts
