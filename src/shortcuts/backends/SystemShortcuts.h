// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"

#include <QList>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

/// A key combination the system already uses and, where known, what it does
/// ("KWin: Close Window").
struct SystemShortcut
{
    KeyCombination combination;
    QString title;

    friend bool operator==(const SystemShortcut &, const SystemShortcut &) = default;
};

// Which combinations the desktop or other programs have taken, so that the
// shortcut recorder can warn before the user picks one.
class SystemShortcuts
{
public:
    virtual ~SystemShortcuts() = default;

    /// The combinations the desktop's own configuration binds.
    virtual QList<SystemShortcut> shortcuts() const = 0;
    /// Who uses the combination, if anyone. Besides the desktop's
    /// configuration this may ask the system (another client's X grab).
    virtual std::optional<SystemShortcut> conflict(KeyCombination combination) const;
};

/// A fixed list, for tests and for desktops we know nothing about.
class FixedSystemShortcuts final : public SystemShortcuts
{
public:
    explicit FixedSystemShortcuts(QList<SystemShortcut> shortcuts = {})
        : m_shortcuts(std::move(shortcuts))
    { }
    QList<SystemShortcut> shortcuts() const override { return m_shortcuts; }

private:
    QList<SystemShortcut> m_shortcuts;
};

} // namespace KeyboardShortcuts
