// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

class QPalette;

namespace vantry::ShelfColors {

/// The translucent black laid over the window behind the list.
QColor listBackground();
/// The row separators' tint.
QColor separator();
/// The red of the error banner's border.
QColor bannerBorder();

/// Whether the palette is a dark appearance (its window colour is dark).
bool isDark(const QPalette &palette);

/// What the list background looks like over the palette's window colour.
QColor effectiveListBackground(const QPalette &palette);

/// The colour of an unselected row's name: the palette's text colour when dark;
/// white at 70 % when light, unless that would be unreadable on the list's
/// background, in which case the palette's text colour again.
QColor name(const QPalette &palette);

/// The WCAG contrast ratio of two opaque colours (1 to 21).
double contrastRatio(const QColor &a, const QColor &b);

/// over composited onto an opaque under.
QColor composite(const QColor &over, const QColor &under);

} // namespace vantry::ShelfColors
