// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/LayerPlacement.h"

#include <QStringList>

namespace vantry::LayerPlacement {

namespace {
bool isRight(Qt::Corner c)
{
    return c == Qt::TopRightCorner || c == Qt::BottomRightCorner;
}
bool isBottom(Qt::Corner c)
{
    return c == Qt::BottomLeftCorner || c == Qt::BottomRightCorner;
}
} // namespace

Qt::Corner trayCorner(const QString &currentDesktop)
{
    const auto desktops = currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &d : desktops) {
        if (d.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0)
            return Qt::BottomRightCorner;
    }
    return Qt::TopRightCorner;
}

QRect cornerFrame(Qt::Corner corner, const QSize &size, const QRect &area)
{
    // Exclusive right and bottom edges: QRect's own are one short.
    const int x = isRight(corner) ? area.x() + area.width() - size.width() : area.x();
    const int y = isBottom(corner) ? area.y() + area.height() - size.height() : area.y();
    return { QPoint(x, y), size };
}

} // namespace vantry::LayerPlacement
