// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MenuKeyEquivalents.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

namespace vantry {

void MenuKeyEquivalents::install(QMenu *menu)
{
    menu->installEventFilter(new MenuKeyEquivalents(menu));
}

bool MenuKeyEquivalents::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *menu = qobject_cast<QMenu *>(watched);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!menu || key->modifiers() == Qt::NoModifier || key->key() == Qt::Key_unknown)
        return false;
    const QKeySequence pressed(
        QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (action->isSeparator() || action->menu() || !action->isEnabled() || !action->isVisible())
            continue;
        const QList<QKeySequence> shortcuts = action->shortcuts();
        for (const QKeySequence &shortcut : shortcuts) {
            if (shortcut.matches(pressed) != QKeySequence::ExactMatch)
                continue;
            // As a click on the item does: the menu closes first, then the command runs.
            menu->hide();
            QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
            return true;
        }
    }
    return false;
}

} // namespace vantry
