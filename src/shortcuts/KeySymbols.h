// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Shortcut.h"

#include <QString>

#include <optional>

namespace KeyboardShortcuts {

struct KeyRow;

/// A special key's symbol in display strings ("↩", "F5", the localised "space" text, ...).
QString displaySymbol(const KeyRow &key);
/// A special key's menu key equivalent; none for the keypad keys.
std::optional<QString> menuKeyEquivalent(const KeyRow &key);

/// The modifiers as Linux desktops name them, each followed by "+" ("Ctrl+Super+").
QString modifierNames(ModifierFlags flags);

/// text with its first letter upper-cased ("s" -> "S").
QString capitalizedFirstLetter(const QString &text);

/// The symbols of the modifiers, always in the order ⌃⌥⇧⌘ and the globe for function.
QString modifierString(ModifierFlags flags);

} // namespace KeyboardShortcuts
