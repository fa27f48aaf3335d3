// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <memory>

class QAction;
class QMenu;
class QObject;

namespace vantry {

class AppDelegate;

/// The status menu's three actions, in menu order: "Preferences…" (Ctrl+,), "Check for
/// Updates…" and "Quit" (Ctrl+Q), each sending its action to `target` and owned by `owner`.
std::array<QAction *, 3> createStatusActions(AppDelegate &target, QObject *owner);

/// Fills `menu` with the delegate's shared status actions: "Preferences…", a separator,
/// "Check for Updates…", a separator and "Quit". Every menu that offers them (the tray's,
/// the shelf's gear) shows the same action objects.
void addStatusMenuEntries(QMenu &menu, AppDelegate &target);

/// The tray icon's right-click menu (see addStatusMenuEntries).
std::unique_ptr<QMenu> createStatusMenu(AppDelegate &target);

} // namespace vantry
