// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <QString>

#include <cstdint>
#include <variant>

namespace MenuBarExtraAccess {

// Which status item is meant: its position among this process's status items,
// or the identifier of the extra it belongs to.
class StatusItemIdentity final
{
public:
    enum class Kind { Index, Id };

    static StatusItemIdentity index(std::int64_t i) { return StatusItemIdentity(i); }
    static StatusItemIdentity id(const QString &s) { return StatusItemIdentity(s); }

    Kind kind() const { return m_value.index() == 0 ? Kind::Index : Kind::Id; }
    /// The position; 0 for an id identity.
    std::int64_t indexValue() const;
    /// The identifier; empty for an index identity.
    QString idValue() const;

    /// "index 3", or ID "name" for an id identity.
    QString description() const;

    friend bool operator==(const StatusItemIdentity &, const StatusItemIdentity &) = default;

private:
    explicit StatusItemIdentity(std::int64_t i)
        : m_value(i)
    { }
    explicit StatusItemIdentity(const QString &s)
        : m_value(s)
    { }

    std::variant<std::int64_t, QString> m_value;
};

/// Hashes the case first, then the payload.
size_t qHash(const StatusItemIdentity &identity, size_t seed = 0) noexcept;

} // namespace MenuBarExtraAccess
