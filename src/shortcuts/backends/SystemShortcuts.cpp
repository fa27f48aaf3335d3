// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/SystemShortcuts.h"

namespace KeyboardShortcuts {

std::optional<SystemShortcut> SystemShortcuts::conflict(KeyCombination combination) const
{
    for (const SystemShortcut &shortcut : shortcuts()) {
        if (shortcut.combination == combination) {
            return shortcut;
        }
    }
    return std::nullopt;
}

} // namespace KeyboardShortcuts
