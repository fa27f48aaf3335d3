// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/DesktopHotKeyBackend.h"

#include "shortcuts/backends/SystemShortcuts.h"

namespace KeyboardShortcuts {

void DesktopHotKeyBackend::setSystemShortcuts(
    std::shared_ptr<const SystemShortcuts> systemShortcuts)
{
    m_systemShortcuts = std::move(systemShortcuts);
}

QList<KeyCombination> DesktopHotKeyBackend::systemHotKeys() const
{
    QList<KeyCombination> hotKeys;
    if (m_systemShortcuts) {
        for (const SystemShortcut &shortcut : m_systemShortcuts->shortcuts()) {
            hotKeys.append(shortcut.combination);
        }
    }
    return hotKeys;
}

bool DesktopHotKeyBackend::isSystemHotKey(KeyCombination combination) const
{
    return m_systemShortcuts && m_systemShortcuts->conflict(combination).has_value();
}

} // namespace KeyboardShortcuts
