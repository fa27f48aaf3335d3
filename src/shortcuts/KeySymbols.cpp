// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/KeySymbols.h"

#include <QCoreApplication>

#include "shortcuts/Key.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts {

namespace {

constexpr std::array kSpecialKeys = std::to_array<std::pair<Key, SpecialKey>>({
    { Key::return_, SpecialKey::Return },
    { Key::delete_, SpecialKey::Delete },
    { Key::deleteForward, SpecialKey::DeleteForward },
    { Key::end, SpecialKey::End },
    { Key::escape, SpecialKey::Escape },
    { Key::help, SpecialKey::Help },
    { Key::home, SpecialKey::Home },
    { Key::space, SpecialKey::Space },
    { Key::tab, SpecialKey::Tab },
    { Key::pageUp, SpecialKey::PageUp },
    { Key::pageDown, SpecialKey::PageDown },
    { Key::upArrow, SpecialKey::UpArrow },
    { Key::rightArrow, SpecialKey::RightArrow },
    { Key::downArrow, SpecialKey::DownArrow },
    { Key::leftArrow, SpecialKey::LeftArrow },
    { Key::f1, SpecialKey::F1 },
    { Key::f2, SpecialKey::F2 },
    { Key::f3, SpecialKey::F3 },
    { Key::f4, SpecialKey::F4 },
    { Key::f5, SpecialKey::F5 },
    { Key::f6, SpecialKey::F6 },
    { Key::f7, SpecialKey::F7 },
    { Key::f8, SpecialKey::F8 },
    { Key::f9, SpecialKey::F9 },
    { Key::f10, SpecialKey::F10 },
    { Key::f11, SpecialKey::F11 },
    { Key::f12, SpecialKey::F12 },
    { Key::f13, SpecialKey::F13 },
    { Key::f14, SpecialKey::F14 },
    { Key::f15, SpecialKey::F15 },
    { Key::f16, SpecialKey::F16 },
    { Key::f17, SpecialKey::F17 },
    { Key::f18, SpecialKey::F18 },
    { Key::f19, SpecialKey::F19 },
    { Key::f20, SpecialKey::F20 },
    { Key::keypad0, SpecialKey::Keypad0 },
    { Key::keypad1, SpecialKey::Keypad1 },
    { Key::keypad2, SpecialKey::Keypad2 },
    { Key::keypad3, SpecialKey::Keypad3 },
    { Key::keypad4, SpecialKey::Keypad4 },
    { Key::keypad5, SpecialKey::Keypad5 },
    { Key::keypad6, SpecialKey::Keypad6 },
    { Key::keypad7, SpecialKey::Keypad7 },
    { Key::keypad8, SpecialKey::Keypad8 },
    { Key::keypad9, SpecialKey::Keypad9 },
    { Key::keypadClear, SpecialKey::KeypadClear },
    { Key::keypadDecimal, SpecialKey::KeypadDecimal },
    { Key::keypadDivide, SpecialKey::KeypadDivide },
    { Key::keypadEnter, SpecialKey::KeypadEnter },
    { Key::keypadEquals, SpecialKey::KeypadEquals },
    { Key::keypadMinus, SpecialKey::KeypadMinus },
    { Key::keypadMultiply, SpecialKey::KeypadMultiply },
    { Key::keypadPlus, SpecialKey::KeypadPlus },
});
static_assert(kSpecialKeys.size() == 53);

constexpr char16_t kKeycap = u'\u20E3';

int offset(SpecialKey key, SpecialKey first)
{
    return int(key) - int(first);
}

bool isKeypadKey(SpecialKey key)
{
    return key >= SpecialKey::Keypad0;
}

} // namespace

bool isFunctionKey(SpecialKey key)
{
    return key >= SpecialKey::F1 && key <= SpecialKey::F20;
}

std::optional<SpecialKey> specialKey(qint64 keyCode)
{
    for (const auto &[key, special] : kSpecialKeys) {
        if (key.rawValue() == keyCode)
            return special;
    }
    return std::nullopt;
}

QString displaySymbol(SpecialKey key)
{
    if (isFunctionKey(key))
        return u'F' + QString::number(offset(key, SpecialKey::F1) + 1);
    if (key >= SpecialKey::Keypad0 && key <= SpecialKey::Keypad9)
        return QString::number(offset(key, SpecialKey::Keypad0)) + kKeycap;
    switch (key) {
    case SpecialKey::Return:
        return u"\u21A9"_s;
    case SpecialKey::Delete:
        return u"\u232B"_s;
    case SpecialKey::DeleteForward:
        return u"\u2326"_s;
    case SpecialKey::End:
        return u"\u2198"_s;
    case SpecialKey::Escape:
        return u"\u238B"_s;
    case SpecialKey::Help:
        return u"?\u20DD"_s;
    case SpecialKey::Home:
        return u"\u2196"_s;
    case SpecialKey::Space:
        return capitalizedFirstLetter(localizedString("space_key"));
    case SpecialKey::Tab:
        return u"\u21E5"_s;
    case SpecialKey::PageUp:
        return u"\u21DE"_s;
    case SpecialKey::PageDown:
        return u"\u21DF"_s;
    case SpecialKey::UpArrow:
        return u"\u2191"_s;
    case SpecialKey::RightArrow:
        return u"\u2192"_s;
    case SpecialKey::DownArrow:
        return u"\u2193"_s;
    case SpecialKey::LeftArrow:
        return u"\u2190"_s;
    case SpecialKey::KeypadClear:
        return u"\u2612\u20E3"_s;
    case SpecialKey::KeypadDecimal:
        return u".\u20E3"_s;
    case SpecialKey::KeypadDivide:
        return u"/\u20E3"_s;
    case SpecialKey::KeypadEnter:
        return u"\u21A9\u20E3"_s;
    case SpecialKey::KeypadEquals:
        return u"=\u20E3"_s;
    case SpecialKey::KeypadMinus:
        return u"-\u20E3"_s;
    case SpecialKey::KeypadMultiply:
        return u"*\u20E3"_s;
    case SpecialKey::KeypadPlus:
        return u"+\u20E3"_s;
    default:
        return {};
    }
}

std::optional<QString> menuKeyEquivalent(SpecialKey key)
{
    if (isKeypadKey(key))
        return std::nullopt;
    if (isFunctionKey(key))
        return QString(QChar(char16_t(0xF704 + offset(key, SpecialKey::F1))));
    if (key == SpecialKey::Space)
        return u" "_s;
    return displaySymbol(key);
}

std::optional<Qt::Key> qtKey(SpecialKey key)
{
    if (isKeypadKey(key))
        return std::nullopt;
    if (isFunctionKey(key))
        return Qt::Key(Qt::Key_F1 + offset(key, SpecialKey::F1));
    switch (key) {
    case SpecialKey::Return:
        return Qt::Key_Return;
    case SpecialKey::Delete:
        return Qt::Key_Backspace;
    case SpecialKey::DeleteForward:
        return Qt::Key_Delete;
    case SpecialKey::End:
        return Qt::Key_End;
    case SpecialKey::Escape:
        return Qt::Key_Escape;
    case SpecialKey::Help:
        return Qt::Key_Help;
    case SpecialKey::Home:
        return Qt::Key_Home;
    case SpecialKey::Space:
        return Qt::Key_Space;
    case SpecialKey::Tab:
        return Qt::Key_Tab;
    case SpecialKey::PageUp:
        return Qt::Key_PageUp;
    case SpecialKey::PageDown:
        return Qt::Key_PageDown;
    case SpecialKey::UpArrow:
        return Qt::Key_Up;
    case SpecialKey::RightArrow:
        return Qt::Key_Right;
    case SpecialKey::DownArrow:
        return Qt::Key_Down;
    case SpecialKey::LeftArrow:
        return Qt::Key_Left;
    default:
        return std::nullopt;
    }
}

QKeyCombination linuxKey(SpecialKey key)
{
    if (key >= SpecialKey::Keypad0 && key <= SpecialKey::Keypad9)
        return QKeyCombination(
            Qt::KeypadModifier, Qt::Key(Qt::Key_0 + offset(key, SpecialKey::Keypad0)));
    switch (key) {
    case SpecialKey::Help:
        return Qt::Key_Insert;
    case SpecialKey::KeypadClear:
        return Qt::Key_NumLock;
    case SpecialKey::KeypadDecimal:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Period);
    case SpecialKey::KeypadDivide:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Slash);
    case SpecialKey::KeypadEnter:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Enter);
    case SpecialKey::KeypadEquals:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Equal);
    case SpecialKey::KeypadMinus:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Minus);
    case SpecialKey::KeypadMultiply:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Asterisk);
    case SpecialKey::KeypadPlus:
        return QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus);
    default:
        return qtKey(key).value_or(Qt::Key_unknown);
    }
}

QString modifierNames(ModifierFlags flags)
{
    // Qt's names, which KDE shows too; the other desktops call the logo key Super.
    const bool kde = qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                         .split(u':')
                         .contains(u"KDE"_s, Qt::CaseInsensitive);
    QString text;
    const auto add = [&text](const QString &name) { text += name + u'+'; };
    if (flags.testFlag(ControlModifier))
        add(QCoreApplication::translate("QShortcut", "Ctrl"));
    if (flags.testFlag(OptionModifier))
        add(QCoreApplication::translate("QShortcut", "Alt"));
    if (flags.testFlag(ShiftModifier))
        add(QCoreApplication::translate("QShortcut", "Shift"));
    if (flags.testFlag(CommandModifier))
        add(kde ? QCoreApplication::translate("QShortcut", "Meta") : localizedString("super_key"));
    if (flags.testFlag(FunctionModifier))
        add(localizedString("function_key"));
    return text;
}

QString capitalizedFirstLetter(const QString &text)
{
    if (text.isEmpty())
        return text;
    const int firstLength = text.front().isHighSurrogate() && text.size() > 1 ? 2 : 1;
    return text.left(firstLength).toUpper() + text.mid(firstLength);
}

QString modifierString(ModifierFlags flags)
{
    QString text;
    if (flags.testFlag(ControlModifier))
        text += u'\u2303';
    if (flags.testFlag(OptionModifier))
        text += u'\u2325';
    if (flags.testFlag(ShiftModifier))
        text += u'\u21E7';
    if (flags.testFlag(CommandModifier))
        text += u'\u2318';
    if (flags.testFlag(FunctionModifier))
        text += u"\U0001F310\uFE0E"_s;
    return text;
}

} // namespace KeyboardShortcuts
