// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusMenu.h"

#include "app/AppDelegate.h"
#include "app/MenuKeyEquivalents.h"
#include "shortcuts/KeyboardShortcuts.h"
#include "shortcuts/ShortcutCenter.h"

#include <QAction>
#include <QMenu>

namespace vantry {

std::array<QAction *, 3> createStatusActions(AppDelegate &target, QObject *owner)
{
    // The platform's default modifier is Ctrl. The keys work in the windows these actions
    // are added to and, through MenuKeyEquivalents, while a menu showing them is open.
    auto *preferences = new QAction(AppDelegate::tr("Preferences…"), owner);
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setShortcutVisibleInContextMenu(true);
    preferences->setMenuRole(QAction::PreferencesRole);
    QObject::connect(preferences, &QAction::triggered, &target, &AppDelegate::openPreferences);

    auto *updates = new QAction(AppDelegate::tr("Check for Updates…"), owner);
    updates->setMenuRole(QAction::ApplicationSpecificRole);
    QObject::connect(updates, &QAction::triggered, &target, &AppDelegate::checkForUpdates);

    auto *quit = new QAction(AppDelegate::tr("Quit"), owner);
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutVisibleInContextMenu(true);
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, &target, &AppDelegate::terminate);

    return { preferences, updates, quit };
}

void addStatusMenuEntries(QMenu &menu, AppDelegate &target)
{
    const auto [preferences, updates, quit] = target.statusActions();
    menu.addAction(preferences);
    menu.addSeparator();
    menu.addAction(updates);
    menu.addSeparator();
    menu.addAction(quit);
    MenuKeyEquivalents::install(&menu);
}

std::unique_ptr<QMenu> createStatusMenu(AppDelegate &target)
{
    auto menu = std::make_unique<QMenu>();
    menu->setAccessibleName(AppDelegate::tr("Vantry"));
    // Some hosts (GNOME's AppIndicator extension) open the menu on a click and activate
    // only on a double click: the first entry leads to the shelf, with its shortcut beside.
    QAction *show = menu->addAction(QString());
    const auto updateText = [show] {
        const auto shortcut = KeyboardShortcuts::getShortcut(AppDelegate::openShelfWindow());
        show->setText(AppDelegate::tr("Show Shelf")
            + (shortcut ? u'\t' + shortcut->displayText() : QString()));
    };
    updateText();
    if (auto *center = KeyboardShortcuts::ShortcutCenter::current())
        QObject::connect(
            center, &KeyboardShortcuts::ShortcutCenter::shortcutByNameDidChange, show, updateText);
    QObject::connect(show, &QAction::triggered, &target, &AppDelegate::showShelf);
    menu->addSeparator();
    addStatusMenuEntries(*menu, target);
    return menu;
}

} // namespace vantry
