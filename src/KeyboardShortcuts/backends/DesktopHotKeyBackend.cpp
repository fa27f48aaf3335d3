// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts/backends/DesktopHotKeyBackend.h"

#include "KeyboardShortcuts/backends/SystemShortcuts.h"

namespace KeyboardShortcuts {

void DesktopHotKeyBackend::setSystemShortcuts(
    std::shared_ptr<const SystemShortcuts> systemShortcuts)
{
    m_systemShortcuts = std::move(systemShortcuts);
}

QList<std::pair<int, int>> DesktopHotKeyBackend::systemHotKeys() const
{
    QList<std::pair<int, int>> hotKeys;
    if (m_systemShortcuts) {
        for (const SystemShortcut &shortcut : m_systemShortcuts->shortcuts()) {
            hotKeys.append({ shortcut.keyCode, shortcut.carbonModifiers });
        }
    }
    return hotKeys;
}

bool DesktopHotKeyBackend::isSystemHotKey(int keyCode, int carbonModifiers) const
{
    return m_systemShortcuts && m_systemShortcuts->conflict(keyCode, carbonModifiers).has_value();
}

} // namespace KeyboardShortcuts
