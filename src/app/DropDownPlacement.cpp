// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DropDownPlacement.h"

#include <algorithm>
#include <cmath>

namespace vantry::DropDownPlacement {

namespace {
int clampInto(int value, int low, int extent, int length)
{
    const int high = low + extent - length;
    return high < low ? low : std::clamp(value, low, high);
}

// Qt rounds the logical area and the window's frame to device pixels each on its own, so at a
// fractional scale a frame flush with the area's far edge can end one device pixel past it.
int withinDevicePixels(int value, int low, int extent, int length, qreal scale)
{
    const int end = int(std::floor(extent * scale));
    while (value > low && qRound((value - low) * scale) + qRound(length * scale) > end)
        --value;
    return value;
}
} // namespace

QPoint position(const QRect &anchor, const QSize &size, const QRect &available, qreal scale)
{
    QPoint p;
    if (anchor.right() < available.left()) {
        p = { anchor.right() + 1, anchor.top() };
    } else if (anchor.left() > available.right()) {
        p = { anchor.left() - size.width(), anchor.top() };
    } else {
        p.setX(anchor.center().x() - size.width() / 2);
        p.setY(anchor.center().y() <= available.center().y() ? anchor.bottom() + 1
                                                             : anchor.top() - size.height());
    }
    const int x = clampInto(p.x(), available.left(), available.width(), size.width());
    const int y = clampInto(p.y(), available.top(), available.height(), size.height());
    return { withinDevicePixels(x, available.left(), available.width(), size.width(), scale),
        withinDevicePixels(y, available.top(), available.height(), size.height(), scale) };
}

} // namespace vantry::DropDownPlacement
