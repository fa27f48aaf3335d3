// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusMenu.h"

#include "app/AppDelegate.h"
#include "app/MenuKeyEquivalents.h"

#include <QAction>
#include <QMenu>

namespace vantry {

std::unique_ptr<QMenu> createStatusMenu(AppDelegate &target)
{
    auto menu = std::make_unique<QMenu>();
    menu->setAccessibleName(AppDelegate::tr("Vantry"));

    // The platform's default modifier is Ctrl. The keys work while the menu is open
    // (MenuKeyEquivalents) and in Vantry's windows (AppDelegate::addKeyEquivalents).
    QAction *preferences = menu->addAction(AppDelegate::tr("Preferences…"));
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setShortcutVisibleInContextMenu(true);
    preferences->setMenuRole(QAction::PreferencesRole);
    QObject::connect(preferences, &QAction::triggered, &target, &AppDelegate::openPreferences);

    menu->addSeparator();

    QAction *updates = menu->addAction(AppDelegate::tr("Check for Updates…"));
    updates->setMenuRole(QAction::ApplicationSpecificRole);
    QObject::connect(updates, &QAction::triggered, &target, &AppDelegate::checkForUpdates);

    menu->addSeparator();

    QAction *quit = menu->addAction(AppDelegate::tr("Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutVisibleInContextMenu(true);
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, &target, &AppDelegate::terminate);

    MenuKeyEquivalents::install(menu.get());
    return menu;
}

} // namespace vantry
