// SPDX-License-Identifier: GPL-3.0-or-later
// Menu actions that show a shortcut, or follow a name's shortcut.
#include "KeyboardShortcuts/KeyboardShortcuts.h"
#include "KeyboardShortcuts/ObjectAssociation.h"

#include <QAction>
#include <QMetaObject>

namespace KeyboardShortcuts {

namespace {

// The observer of each action that follows a name.
ObjectAssociation<QMetaObject::Connection> &observerAssociation()
{
    static ObjectAssociation<QMetaObject::Connection> association;
    return association;
}

void forgetObserver(QAction *item)
{
    if (const auto connection = observerAssociation().value(item))
        QObject::disconnect(*connection);
    observerAssociation().setValue(item, std::nullopt);
}

} // namespace

void setMenuItemShortcut(QAction *item, const std::optional<Shortcut> &shortcut)
{
    if (!item)
        return;
    item->setShortcut(shortcut ? shortcut->keySequence() : QKeySequence());
}

void setMenuItemShortcutName(QAction *item, const std::optional<Name> &name)
{
    if (!item)
        return;
    // An earlier observer is removed, not left behind to update the item twice.
    forgetObserver(item);
    if (!name) {
        setMenuItemShortcut(item, std::nullopt);
        return;
    }
    setMenuItemShortcut(item, getShortcut(*name));
    ShortcutCenter *center = ShortcutCenter::current();
    if (!center)
        return;
    const Name followed = *name;
    const auto connection = QObject::connect(center, &ShortcutCenter::shortcutByNameDidChange, item,
        [item, followed](const Name &changed) {
            if (changed.rawValue() != followed.rawValue())
                return;
            QMetaObject::invokeMethod(
                item, [item, followed] { setMenuItemShortcut(item, getShortcut(followed)); },
                Qt::QueuedConnection);
        });
    observerAssociation().setValue(item, connection);
}

} // namespace KeyboardShortcuts
