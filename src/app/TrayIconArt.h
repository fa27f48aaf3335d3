// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include <optional>

class QPalette;

namespace vantry::TrayIconArt {

/// Light ink for dark panels, dark ink for light ones.
enum class Tone { dark, light };

/// The themed icon name handed to the tray: the application id with "-symbolic", so
/// StatusNotifierItem hosts that find it in the icon theme draw it in the panel's colours.
QString iconName();

/// The tone for a tray: the colour it asks symbolic icons to use when it offers one
/// (_NET_SYSTEM_TRAY_COLORS), else the contrast to its background where that could be read,
/// else the palette's text colour (a dark theme has light text).
Tone toneFor(const std::optional<QColor> &trayForeground,
    const std::optional<QColor> &trayBackground, const QPalette &palette);

/// The ink of a tone.
QColor inkColor(Tone tone);

/// The "Logo" drawing in a tone, about a tenth of the slot clear on every side; named
/// iconName() for hosts that look the name up when the icon theme has it (installed),
/// unnamed otherwise.
QIcon icon(Tone tone);

/// The contrast ratio of two opaque colours by relative luminance (1 to 21).
double contrastRatio(const QColor &a, const QColor &b);

} // namespace vantry::TrayIconArt
