// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Key.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFlags>
#include <QHashFunctions>
#include <QKeySequence>
#include <QMetaType>
#include <QString>

#include <optional>

class QKeyEvent;

namespace KeyboardShortcuts {

// Modifier sets have two representations. Event flags (the bits of a key
// event's modifier flags) ...
enum ModifierFlag : quint32 {
    NoModifier = 0,
    CapsLockModifier = 0x10000, // not part of shortcuts; the recorder ignores it
    ShiftModifier = 0x20000,
    ControlModifier = 0x40000,
    OptionModifier = 0x80000,
    CommandModifier = 0x100000,
    NumericPadModifier = 0x200000, // not part of shortcuts
    FunctionModifier = 0x800000,
};
Q_DECLARE_FLAGS(ModifierFlags, ModifierFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(ModifierFlags)

// ... and Carbon modifier bits, the form shortcuts are stored in.
namespace CarbonModifier {
inline constexpr qint64 Command = 0x100;
inline constexpr qint64 Shift = 0x200;
inline constexpr qint64 Option = 0x800;
inline constexpr qint64 Control = 0x1000;
inline constexpr qint64 Function = 0x20000;
} // namespace CarbonModifier

/// Maps each of shift, control, option, command and function to its Carbon bit; drops the rest.
qint64 carbonModifiers(ModifierFlags flags);
/// Maps each of the five Carbon bits to its event flag; drops the rest.
ModifierFlags modifierFlags(qint64 carbonModifiers);
/// Clears every bit outside the five modifiers (a round trip through event flags).
qint64 normalizedCarbonModifiers(qint64 carbonModifiers);

/// command <-> Super (Qt's Meta), control <-> Ctrl, option <-> Alt, shift <-> Shift.
/// Function has no Qt counterpart and is dropped.
Qt::KeyboardModifiers qtModifiers(ModifierFlags flags);
ModifierFlags modifierFlags(Qt::KeyboardModifiers modifiers);

/// A key code plus Carbon modifier bits: one keyboard shortcut.
class Shortcut final
{
public:
    /// The kinds of key events a shortcut can be made from (event types 10 and 11).
    enum class EventKind : int { KeyDown = 10, KeyUp = 11, Other = 0 };

    constexpr Shortcut() = default;
    /// From a key and event flags: the flags are converted to Carbon bits and normalised.
    Shortcut(Key key, ModifierFlags modifiers = {});
    /// From raw integers: the key code is kept, the modifiers are normalised.
    Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers);

    /// Only key-down and key-up events give a shortcut; the function flag is cleared first.
    static std::optional<Shortcut> fromEvent(EventKind kind, quint16 keyCode, ModifierFlags flags);
    /// A Qt key press or release, located by its native scan code (X key code = evdev + 8).
    /// None for other event types and for keys without a macOS virtual key code.
    static std::optional<Shortcut> fromKeyEvent(const QKeyEvent *event);

    qint64 carbonKeyCode() const { return m_carbonKeyCode; }
    qint64 carbonModifiers() const { return m_carbonModifiers; }
    Key key() const { return Key(m_carbonKeyCode); }
    ModifierFlags modifiers() const { return modifierFlags(m_carbonModifiers); }

    /// {"carbonKeyCode":1,"carbonModifiers":4352}: compact, members in this order.
    QByteArray toJson() const;
    /// Accepts the members in any order and extra members; both must be integers.
    /// The values are taken as they are, without normalising.
    static std::optional<Shortcut> fromJson(QByteArrayView json);

    /// Modifier symbols then the key as the current layout prints it, e.g. "⌃⌘S".
    QString description() const;
    /// As Linux desktops write shortcuts, e.g. "Ctrl+Super+S" ("Ctrl+Meta+S" on KDE,
    /// which $XDG_CURRENT_DESKTOP names): what people are shown.
    QString displayText() const;
    /// The menu key equivalent: a special key's symbol, or the layout's unshifted
    /// character; none for keypad keys and keys that print nothing.
    std::optional<QString> menuKeyText() const;

    friend bool operator==(const Shortcut &a, const Shortcut &b)
    {
        return a.m_carbonKeyCode == b.m_carbonKeyCode && a.m_carbonModifiers == b.m_carbonModifiers;
    }
    friend size_t qHash(const Shortcut &s, size_t seed = 0)
    {
        return qHashMulti(seed, s.m_carbonKeyCode, s.m_carbonModifiers);
    }

private:
    qint64 m_carbonKeyCode = 0;
    qint64 m_carbonModifiers = 0;
};

} // namespace KeyboardShortcuts

Q_DECLARE_METATYPE(KeyboardShortcuts::Shortcut)
