// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Shortcut.h"

#include <QList>
#include <QString>

#include <optional>

class QAction;
class QKeyCombination;
class QMenu;

namespace KeyboardShortcuts {

// Finds the menu command that already uses a shortcut, so the recorder can refuse it.
// Menu shortcuts are compared as key equivalents: the text the key types plus an
// exact modifier mask. A capital letter stands for the letter with Shift.
namespace MenuSearch {

/// A menu command's key equivalent: its key's text and its modifiers.
struct KeyEquivalent
{
    QString key;
    ModifierFlags modifiers;
};

/// The key equivalent of one Qt key combination. Qt writes Shift out; a letter with
/// Shift is given as the capital letter, the way menus show it. None for keys that
/// have no text.
std::optional<KeyEquivalent> keyEquivalent(QKeyCombination combination);

/// Whether a command with this key equivalent answers to shortcut.
bool matches(const Shortcut &shortcut, const KeyEquivalent &equivalent);

/// The first action, in menu order and depth first through submenus, that one of
/// whose shortcuts matches; null when none does.
QAction *findAction(const Shortcut &shortcut, const QList<QMenu *> &menus);

/// The application's menus: those of every menu bar and every menu that is not
/// itself a submenu of another.
QList<QMenu *> applicationMenus();

/// The action's text as a menu shows it, without mnemonic markers.
QString displayTitle(const QAction *action);

} // namespace MenuSearch
} // namespace KeyboardShortcuts
