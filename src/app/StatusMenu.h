// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class QMenu;

namespace vantry {

class AppDelegate;

/// The tray icon's right-click menu: "Preferences…" (Ctrl+,), a separator, "Check for
/// Updates…", a separator and "Quit" (Ctrl+Q), each sending its action to `target`.
std::unique_ptr<QMenu> createStatusMenu(AppDelegate &target);

} // namespace vantry
