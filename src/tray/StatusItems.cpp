// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/StatusItems.h"

#include "tray/StatusItem.h"

namespace MenuBarExtraAccess {

QList<StatusItem *> statusItems()
{
    return StatusItem::all();
}

StatusItem *statusItem(const std::optional<StatusItemIdentity> &identity)
{
    const QList<StatusItem *> items = statusItems();
    if (!identity)
        return items.isEmpty() ? nullptr : items.first();
    if (identity->kind() == StatusItemIdentity::Kind::Index) {
        const std::int64_t i = identity->indexValue();
        if (i < 0 || i >= items.size())
            return nullptr;
        return items.at(static_cast<qsizetype>(i));
    }
    for (StatusItem *item : items) {
        if (item->hasButton() && item->identifier() == identity->idValue())
            return item;
    }
    return nullptr;
}

QWidget *menuBarExtraWindow(const std::optional<StatusItemIdentity> &identity)
{
    if (!identity) {
        for (StatusItem *item : statusItems()) {
            if (item->window())
                return item->window();
        }
        return nullptr;
    }
    const StatusItem *item = statusItem(identity);
    return item ? item->window() : nullptr;
}

StatusItem *windowStatusItem(const QWidget *window)
{
    if (!window)
        return nullptr;
    for (StatusItem *item : statusItems()) {
        if (item->window() == window)
            return item;
    }
    return nullptr;
}

bool isMenuBased(const StatusItem *item)
{
    return !item || !item->hasButton() || item->isMenuBased();
}

} // namespace MenuBarExtraAccess
