// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace vantry::LayerPlacement {

/// The output corner nearest the desktop's tray: bottom right on KDE Plasma, whose panel
/// sits at the bottom unless moved, top right elsewhere (GNOME's top bar, wlroots bars).
/// currentDesktop is XDG_CURRENT_DESKTOP, a colon-separated list.
Qt::Corner trayCorner(const QString &currentDesktop);

/// The frame of a window of size placed at corner of area.
QRect cornerFrame(Qt::Corner corner, const QSize &size, const QRect &area);

/// The corner's point of area, as the place a tray is looked for.
QPoint cornerPoint(Qt::Corner corner, const QRect &area);

/// The part of output its panels leave free, when the compositor leaves ordinary windows
/// room of size free and the panels sit on the sides of output nearest to point (where the
/// tray was clicked). Panels on both sides of one axis are taken as one on the nearer side.
QRect workArea(const QRect &output, const QSize &free, const QPoint &point);

} // namespace vantry::LayerPlacement
