// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QByteArray>

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

// Keyboard layouts the backend tests build from their names.

inline KeyboardShortcuts::XkbKeyboardLayout::Names layoutNamed(const QByteArray &layout)
{
    KeyboardShortcuts::XkbKeyboardLayout::Names names;
    names.layout = layout;
    return names;
}

// A keymap in the text form a Wayland compositor sends.
inline QByteArray keymapText(const char *layout, const char *variant = nullptr)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names { nullptr, nullptr, layout, variant, nullptr };
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    QByteArray result(text);
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return result;
}
