// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vantry {

// Build-time facts about the application, looked up by the bundle-style keys
// the rest of the code asks for ("CFBundleName", "CFBundleDisplayName",
// "CFBundleShortVersionString", "CFBundleIdentifier").
namespace AppInfo {

/// The value for an information key, or a null string for an unknown key.
QString infoValue(QStringView key);

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
