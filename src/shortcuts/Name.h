// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Shortcut.h"

#include <QHashFunctions>
#include <QMetaType>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

/// A named, user-changeable shortcut slot. Its value lives in the settings
/// store under "KeyboardShortcuts_" + rawValue.
class Name final
{
public:
    /// An empty name, for containers and queued signals.
    Name() = default;
    /// A name without a default.
    explicit Name(const QString &rawValue);
    /// When a default is given and the store holds nothing under the name's key,
    /// the default is stored and installed as if by setShortcut. A stored value of
    /// any kind (a shortcut, the disabled marker, anything else) is left alone.
    Name(const QString &rawValue, std::optional<Shortcut> defaultShortcut);

    QString rawValue() const { return m_rawValue; }
    std::optional<Shortcut> defaultShortcut() const { return m_defaultShortcut; }

    /// "KeyboardShortcuts_" + rawValue.
    QString defaultsKey() const;

    /// getShortcut(*this).
    std::optional<Shortcut> shortcut() const;
    /// setShortcut(shortcut, *this).
    void setShortcut(const std::optional<Shortcut> &shortcut) const;

    friend bool operator==(const Name &a, const Name &b) { return a.m_rawValue == b.m_rawValue; }
    friend size_t qHash(const Name &name, size_t seed = 0) { return qHash(name.m_rawValue, seed); }

private:
    QString m_rawValue;
    std::optional<Shortcut> m_defaultShortcut;
};

} // namespace KeyboardShortcuts

Q_DECLARE_METATYPE(KeyboardShortcuts::Name)
