// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

namespace vantry {

/// Installs the application's catalog for locale (and Qt's own, for standard dialog
/// buttons) on the running application. Call once at start, after the application
/// object exists. Returns whether a catalog of ours was found for the locale;
/// without one the English source texts show.
bool installTranslations(const QLocale &locale = QLocale());

} // namespace vantry
