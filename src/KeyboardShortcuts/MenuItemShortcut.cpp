// SPDX-License-Identifier: GPL-3.0-or-later
// Menu actions that show a shortcut, or follow a name's shortcut.
#include "KeyboardShortcuts/KeyboardShortcuts.h"
#include "KeyboardShortcuts/ObjectAssociation.h"

#include <QAction>
#include <QMetaObject>

namespace KeyboardShortcuts {

namespace {

// The observer of each action that follows a name.
struct Follower
{
    QMetaObject::Connection connection;
    QString name;
};

ObjectAssociation<Follower> &observerAssociation()
{
    static ObjectAssociation<Follower> association;
    return association;
}

void forgetObserver(QAction *item)
{
    if (const auto follower = observerAssociation().value(item))
        QObject::disconnect(follower->connection);
    observerAssociation().setValue(item, std::nullopt);
}

bool follows(const QAction *item, const Name &name)
{
    const auto follower = observerAssociation().value(item);
    return follower && follower->name == name.rawValue();
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
            // An update still queued when the item stopped following must not land.
            QMetaObject::invokeMethod(
                item,
                [item, followed] {
                    if (follows(item, followed))
                        setMenuItemShortcut(item, getShortcut(followed));
                },
                Qt::QueuedConnection);
        });
    observerAssociation().setValue(item, Follower { connection, followed.rawValue() });
}

} // namespace KeyboardShortcuts
