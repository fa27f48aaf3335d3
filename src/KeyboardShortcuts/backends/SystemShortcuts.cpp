// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts/backends/SystemShortcuts.h"

namespace KeyboardShortcuts {

std::optional<SystemShortcut> SystemShortcuts::conflict(int keyCode, int carbonModifiers) const
{
    for (const SystemShortcut &shortcut : shortcuts()) {
        if (shortcut.keyCode == keyCode && shortcut.carbonModifiers == carbonModifiers) {
            return shortcut;
        }
    }
    return std::nullopt;
}

} // namespace KeyboardShortcuts
