// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tray/StatusItemIdentity.h"

#include <QList>

#include <optional>

class QWidget;

namespace MenuBarExtraAccess {

class StatusItem;

// Lookups over this process's status items and their drop-down windows.
// Main thread only; nothing is cached, every call looks again.

/// This process's status items in creation order.
QList<StatusItem *> statusItems();

/// No identity: the first item. index(i): the item at i, none when i is negative or too large.
/// id(s): the first item whose identifier is s.
StatusItem *statusItem(const std::optional<StatusItemIdentity> &identity = std::nullopt);

/// The drop-down window of the item the identity names (no identity: the first item's window).
QWidget *menuBarExtraWindow(const std::optional<StatusItemIdentity> &identity = std::nullopt);

/// The status item whose drop-down window is `window`, or none.
StatusItem *windowStatusItem(const QWidget *window);

/// Whether clicking the item opens a menu; an item without a button counts as menu-based.
bool isMenuBased(const StatusItem *item);

} // namespace MenuBarExtraAccess
