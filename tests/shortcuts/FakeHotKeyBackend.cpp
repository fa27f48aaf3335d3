// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"

#include "shortcuts/HotKeyDispatcher.h"

namespace KeyboardShortcuts::Testing {

HotKeyBackend::Status FakeHotKeyBackend::registerHotKey(quint32 id, KeyCombination combination)
{
    ++registerCalls;
    if (const auto shortcut = HotKeyDispatcher::shortcutOf(combination);
        shortcut && refusals.contains(*shortcut))
        return refusals.value(*shortcut);
    registered.insert(id, combination);
    return NoError;
}

std::optional<quint32> FakeHotKeyBackend::idOf(const Shortcut &shortcut) const
{
    const auto combination = HotKeyDispatcher::combinationOf(shortcut);
    for (auto it = registered.cbegin(); it != registered.cend(); ++it) {
        if (combination && it.value() == *combination)
            return it.key();
    }
    return std::nullopt;
}

bool FakeHotKeyBackend::press(const Shortcut &shortcut, bool release)
{
    const auto id = idOf(shortcut);
    if (id && release)
        Q_EMIT released(*id);
    else if (id)
        Q_EMIT pressed(*id);
    return id.has_value();
}

} // namespace KeyboardShortcuts::Testing
