// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vantry {

// Build-time facts about the application, filled in by CMake.
namespace AppInfo {

/// The project name, e.g. for the HTTP user agent.
QString name();

/// The name people see: the tray tooltip, the About pane, notifications.
QString displayName();

/// Reverse-DNS application id, e.g. for D-Bus names and desktop files.
QString appId();

/// The version this binary was built as, e.g. "0.1.0".
QString version();

/// Whether this build checks for its own updates (off in distribution packages).
bool selfUpdateEnabled();

/// Address of the update feed this build reads.
QString feedUrl();

} // namespace AppInfo
} // namespace vantry
