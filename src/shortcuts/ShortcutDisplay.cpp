// SPDX-License-Identifier: GPL-3.0-or-later
// Display strings of shortcuts and the module's own translation catalog.
#include "shortcuts/KeySymbols.h"
#include "shortcuts/KeyTable.h"
#include "shortcuts/KeyboardLayout.h"
#include "shortcuts/KeyboardShortcuts.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextBoundaryFinder>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts {

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

bool isSingleCharacter(const QString &text)
{
    if (text.isEmpty())
        return false;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    return finder.toNextBoundary() == text.size();
}

// The catalog is installed once, for the user's languages with English as the fallback.
void ensureTranslations()
{
    static bool installed = false;
    auto *app = QCoreApplication::instance();
    if (installed || !app)
        return;
    installed = true;
    auto *translator = new QTranslator(app);
    const QString directory = u":/KeyboardShortcuts/i18n"_s;
    if (!translator->load(QLocale(), u"keyboardshortcuts"_s, u"_"_s, directory))
        (void)translator->load(u"keyboardshortcuts_en"_s, directory);
    QCoreApplication::installTranslator(translator);
}

} // namespace

QString localizedString(const char *key)
{
    ensureTranslations();
    return QCoreApplication::translate("KeyboardShortcuts", key);
}

std::optional<QString> keyToCharacter(qint64 keyCode)
{
    const ShortcutCenter *center = ShortcutCenter::current();
    const KeyboardLayout *layout = center ? center->layout() : nullptr;
    if (!layout || specialKey(keyCode) || keyCode < 0 || keyCode > 0xFFFF)
        return std::nullopt;
    const QString text = layout->keyToCharacter(int(keyCode));
    if (!isSingleCharacter(text))
        return std::nullopt;
    return text;
}

QString Shortcut::description() const
{
    QString key;
    if (const auto special = specialKey(m_carbonKeyCode))
        key = displaySymbol(*special);
    else
        key = capitalizedFirstLetter(
            keyToCharacter(m_carbonKeyCode).value_or(QString(kReplacementCharacter)));
    return modifierString(modifiers()) + key;
}

QString Shortcut::displayText() const
{
    QString key;
    if (const auto special = specialKey(m_carbonKeyCode))
        key = QKeySequence(special->qtKey).toString(QKeySequence::NativeText);
    else
        key = capitalizedFirstLetter(
            keyToCharacter(m_carbonKeyCode).value_or(QString(kReplacementCharacter)));
    return modifierNames(modifiers()) + key;
}

std::optional<QString> Shortcut::menuKeyText() const
{
    if (const auto special = specialKey(m_carbonKeyCode))
        return menuKeyEquivalent(*special);
    return keyToCharacter(m_carbonKeyCode);
}

} // namespace KeyboardShortcuts
