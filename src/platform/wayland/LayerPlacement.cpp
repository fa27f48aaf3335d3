// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/LayerPlacement.h"

#include <QStringList>

#include <algorithm>

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

QPoint cornerPoint(Qt::Corner corner, const QRect &area)
{
    return cornerFrame(corner, QSize(1, 1), area).topLeft();
}

QRect workArea(const QRect &output, const QSize &free, const QPoint &point)
{
    const int wide = std::clamp(output.width() - free.width(), 0, output.width());
    const int tall = std::clamp(output.height() - free.height(), 0, output.height());
    QRect area = output;
    if (point.x() < output.center().x())
        area.setLeft(output.left() + wide);
    else
        area.setRight(output.right() - wide);
    if (point.y() < output.center().y())
        area.setTop(output.top() + tall);
    else
        area.setBottom(output.bottom() - tall);
    return area;
}

} // namespace vantry::LayerPlacement
