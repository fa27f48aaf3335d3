// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <QtGlobal>

namespace KeyboardShortcuts {

// A macOS virtual key code: it names a physical key position, whatever the
// layout prints on it. Stored shortcuts keep these codes; KeyTable.h lists the
// keys (namedKey("pageUp")) and their evdev codes. Any integer can be wrapped.
class Key final
{
public:
    constexpr Key() = default;
    constexpr explicit Key(qint64 rawValue)
        : m_rawValue(rawValue)
    { }

    constexpr qint64 rawValue() const { return m_rawValue; }

    friend constexpr bool operator==(Key a, Key b) { return a.m_rawValue == b.m_rawValue; }
    friend size_t qHash(Key key, size_t seed = 0) { return ::qHash(key.m_rawValue, seed); }

private:
    qint64 m_rawValue = 0;
};

} // namespace KeyboardShortcuts
