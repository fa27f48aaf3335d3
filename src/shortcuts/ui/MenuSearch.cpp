// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/ui/MenuSearch.h"

#include "shortcuts/KeySymbols.h"
#include "shortcuts/KeyTable.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace KeyboardShortcuts::MenuSearch {

namespace {

// The menu text of the special key Qt names key; none for the others and the keypad.
std::optional<QString> specialKeyEquivalent(Qt::Key key)
{
    for (const KeyRow &row : kKeyTable) {
        if (row.isSpecial() && row.qtKey.key() == key)
            return menuKeyEquivalent(row);
    }
    return std::nullopt;
}

QAction *search(const Shortcut &shortcut, const std::optional<QString> &key, QMenu *menu,
    QSet<const QMenu *> &visited)
{
    if (!menu || visited.contains(menu))
        return nullptr;
    visited.insert(menu);
    const auto actions = menu->actions();
    for (QAction *action : actions) {
        if (key) {
            for (const QKeySequence &sequence : action->shortcuts()) {
                // Multi-chord sequences can never be pressed as one global shortcut.
                if (sequence.count() != 1)
                    continue;
                const auto equivalent = keyEquivalent(sequence[0]);
                if (equivalent && matches(shortcut, *equivalent))
                    return action;
            }
        }
        if (QAction *found = search(shortcut, key, action->menu(), visited))
            return found;
    }
    return nullptr;
}

} // namespace

std::optional<KeyEquivalent> keyEquivalent(QKeyCombination combination)
{
    const Qt::Key key = combination.key();
    Qt::KeyboardModifiers qtMods = combination.keyboardModifiers();
    ModifierFlags modifiers = modifierFlags(qtMods & ~Qt::KeypadModifier);
    if (qtMods.testFlag(Qt::KeypadModifier))
        modifiers |= NumericPadModifier;

    if (auto special = specialKeyEquivalent(key))
        return KeyEquivalent { *special, modifiers };
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        const QChar letter { char16_t(key) };
        if (modifiers.testFlag(ShiftModifier))
            return KeyEquivalent { QString(letter), modifiers & ~ShiftModifier };
        return KeyEquivalent { QString(letter.toLower()), modifiers };
    }
    if (key >= Qt::Key_Space && key <= 0xFFFF && QChar(char16_t(key)).isPrint())
        return KeyEquivalent { QString(QChar(char16_t(key))).toLower(), modifiers };
    return std::nullopt;
}

bool matches(const Shortcut &shortcut, const KeyEquivalent &equivalent)
{
    const auto wanted = shortcut.menuKeyText();
    if (!wanted)
        return false;
    const ModifierFlags flags = shortcut.modifiers();
    QString key = equivalent.key;
    ModifierFlags mask = equivalent.modifiers;
    // A capital letter in a menu means Shift.
    if (flags.testFlag(ShiftModifier) && key != key.toLower()) {
        key = key.toLower();
        mask |= ShiftModifier;
    }
    return key == *wanted && mask == flags;
}

QAction *findAction(const Shortcut &shortcut, const QList<QMenu *> &menus)
{
    const auto key = shortcut.menuKeyText();
    QSet<const QMenu *> visited;
    for (QMenu *menu : menus) {
        if (QAction *found = search(shortcut, key, menu, visited))
            return found;
    }
    return nullptr;
}

QList<QMenu *> applicationMenus()
{
    QList<QMenu *> menus;
    const auto topLevels = QApplication::topLevelWidgets();
    for (QWidget *widget : topLevels) {
        if (auto *menu = qobject_cast<QMenu *>(widget)) {
            // A submenu is searched through the menu that holds it.
            bool isSubmenu = false;
            const auto holders = menu->menuAction()->associatedObjects();
            for (QObject *holder : holders)
                isSubmenu = isSubmenu || qobject_cast<QMenu *>(holder);
            if (!isSubmenu)
                menus.append(menu);
            continue;
        }
        const auto bars = widget->findChildren<QMenuBar *>();
        for (QMenuBar *bar : bars) {
            const auto actions = bar->actions();
            for (QAction *action : actions) {
                if (action->menu())
                    menus.append(action->menu());
            }
        }
    }
    return menus;
}

QString displayTitle(const QAction *action)
{
    // Text after a tab is a shortcut hint, not part of the title.
    const QString text = action->text().section(u'\t', 0, 0);
    QString title;
    title.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&') {
            // "&&" is a literal ampersand; a single one marks the mnemonic.
            if (i + 1 < text.size() && text.at(i + 1) == u'&') {
                title.append(u'&');
                ++i;
            }
            continue;
        }
        title.append(text.at(i));
    }
    return title;
}

} // namespace KeyboardShortcuts::MenuSearch
