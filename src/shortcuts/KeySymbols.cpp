// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/KeySymbols.h"

#include <QCoreApplication>

#include "shortcuts/KeyTable.h"
#include "shortcuts/KeyboardShortcuts.h"

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts {

QString displaySymbol(const KeyRow &key)
{
    if (key.symbol.empty())
        return capitalizedFirstLetter(localizedString("space_key"));
    return QStringView(key.symbol).toString();
}

std::optional<QString> menuKeyEquivalent(const KeyRow &key)
{
    if (key.isKeypadKey())
        return std::nullopt;
    // The private-use characters menus take for F1 onwards.
    if (key.isFunctionKey())
        return QString(QChar(char16_t(0xF704 + key.qtKey.key() - Qt::Key_F1)));
    if (key.symbol.empty())
        return u" "_s;
    return displaySymbol(key);
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
