// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/Shortcut.h"

#include "shortcuts/KeyTable.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QKeyEvent>

#include <array>
#include <limits>
#include <utility>

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts {

namespace {

constexpr std::array kModifierPairs = std::to_array<std::pair<ModifierFlag, qint64>>({
    { ShiftModifier, CarbonModifier::Shift },
    { ControlModifier, CarbonModifier::Control },
    { OptionModifier, CarbonModifier::Option },
    { CommandModifier, CarbonModifier::Command },
    { FunctionModifier, CarbonModifier::Function },
});

constexpr std::array kQtModifierPairs
    = std::to_array<std::pair<ModifierFlag, Qt::KeyboardModifier>>({
        { ShiftModifier, Qt::ShiftModifier }, { ControlModifier, Qt::ControlModifier },
        { OptionModifier, Qt::AltModifier },
        { CommandModifier, Qt::MetaModifier }, // Super on X11 and Wayland
    });

// An integral JSON number that fits a signed 64-bit integer.
std::optional<qint64> integerMember(const QJsonObject &object, QLatin1StringView name)
{
    const QJsonValue value = object.value(name);
    if (!value.isDouble())
        return std::nullopt;
    constexpr qint64 a = std::numeric_limits<qint64>::min();
    constexpr qint64 b = std::numeric_limits<qint64>::max();
    const qint64 first = value.toInteger(a);
    if (first != a)
        return first;
    // toInteger answers its default for non-integers; a second default tells them apart.
    if (value.toInteger(b) == a)
        return a;
    return std::nullopt;
}

} // namespace

qint64 carbonModifiers(ModifierFlags flags)
{
    qint64 carbon = 0;
    for (const auto &[flag, bit] : kModifierPairs) {
        if (flags.testFlag(flag))
            carbon |= bit;
    }
    return carbon;
}

ModifierFlags modifierFlags(qint64 carbonModifiers)
{
    ModifierFlags flags;
    for (const auto &[flag, bit] : kModifierPairs) {
        if (carbonModifiers & bit)
            flags |= flag;
    }
    return flags;
}

qint64 normalizedCarbonModifiers(qint64 carbonModifiers)
{
    return KeyboardShortcuts::carbonModifiers(modifierFlags(carbonModifiers));
}

Qt::KeyboardModifiers qtModifiers(ModifierFlags flags)
{
    Qt::KeyboardModifiers modifiers;
    for (const auto &[flag, qt] : kQtModifierPairs) {
        if (flags.testFlag(flag))
            modifiers |= qt;
    }
    return modifiers;
}

ModifierFlags modifierFlags(Qt::KeyboardModifiers modifiers)
{
    ModifierFlags flags;
    for (const auto &[flag, qt] : kQtModifierPairs) {
        if (modifiers.testFlag(qt))
            flags |= flag;
    }
    return flags;
}

Shortcut::Shortcut(Key key, ModifierFlags modifiers)
    : m_carbonKeyCode(key.rawValue())
    , m_carbonModifiers(normalizedCarbonModifiers(KeyboardShortcuts::carbonModifiers(modifiers)))
{ }

Shortcut::Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers)
    : m_carbonKeyCode(carbonKeyCode)
    , m_carbonModifiers(normalizedCarbonModifiers(carbonModifiers))
{ }

std::optional<Shortcut> Shortcut::fromEvent(EventKind kind, quint16 keyCode, ModifierFlags flags)
{
    if (kind != EventKind::KeyDown && kind != EventKind::KeyUp)
        return std::nullopt;
    flags.setFlag(FunctionModifier, false);
    return Shortcut(Key(keyCode), flags);
}

std::optional<Shortcut> Shortcut::fromKeyEvent(const QKeyEvent *event)
{
    if (!event)
        return std::nullopt;
    EventKind kind = EventKind::Other;
    if (event->type() == QEvent::KeyPress)
        kind = EventKind::KeyDown;
    else if (event->type() == QEvent::KeyRelease)
        kind = EventKind::KeyUp;
    // X and Wayland key codes are evdev codes shifted by 8.
    const quint32 scanCode = event->nativeScanCode();
    if (scanCode < 8 || scanCode > std::numeric_limits<int>::max())
        return std::nullopt;
    const std::optional<int> mac = macKeyCode(int(scanCode) - 8);
    if (!mac)
        return std::nullopt;
    return fromEvent(kind, quint16(*mac), modifierFlags(event->modifiers()));
}

QByteArray Shortcut::toJson() const
{
    // Written by hand so the member order is fixed: key code first.
    return "{\"carbonKeyCode\":" + QByteArray::number(m_carbonKeyCode)
        + ",\"carbonModifiers\":" + QByteArray::number(m_carbonModifiers) + '}';
}

std::optional<Shortcut> Shortcut::fromJson(QByteArrayView json)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const auto keyCode = integerMember(object, "carbonKeyCode"_L1);
    const auto modifiers = integerMember(object, "carbonModifiers"_L1);
    if (!keyCode || !modifiers)
        return std::nullopt;
    Shortcut shortcut;
    shortcut.m_carbonKeyCode = *keyCode;
    shortcut.m_carbonModifiers = *modifiers; // as stored, not normalised
    return shortcut;
}

} // namespace KeyboardShortcuts
