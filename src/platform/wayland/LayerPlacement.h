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

} // namespace vantry::LayerPlacement
