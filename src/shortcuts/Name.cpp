// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/Name.h"

#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/NameLayer.h"

#include "core/UserDefaults.h"

namespace KeyboardShortcuts {

Name::Name(const QString &rawValue)
    : Name(rawValue, std::nullopt)
{ }

Name::Name(const QString &rawValue, std::optional<Shortcut> defaultShortcut)
    : m_rawValue(rawValue)
    , m_defaultShortcut(defaultShortcut)
{
    ShortcutCenter *center = ShortcutCenter::current();
    if (!center)
        return;
    // Any stored value, even the disabled marker, means the user has chosen.
    if (m_defaultShortcut && center->store() && !center->store()->contains(defaultsKey()))
        KeyboardShortcuts::setShortcut(m_defaultShortcut, *this);
    center->nameLayer().ensureMenuTrackingObservers();
}

QString Name::defaultsKey() const
{
    return defaultsKeyPrefix + m_rawValue;
}

std::optional<Shortcut> Name::shortcut() const
{
    return getShortcut(*this);
}

void Name::setShortcut(const std::optional<Shortcut> &shortcut) const
{
    KeyboardShortcuts::setShortcut(shortcut, *this);
}

} // namespace KeyboardShortcuts
