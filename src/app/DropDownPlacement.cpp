// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DropDownPlacement.h"

#include <algorithm>

namespace vantry::DropDownPlacement {

namespace {
int clampInto(int value, int low, int extent, int length)
{
    const int high = low + extent - length;
    return high < low ? low : std::clamp(value, low, high);
}
} // namespace

QPoint position(const QRect &anchor, const QSize &size, const QRect &available)
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
    return { clampInto(p.x(), available.left(), available.width(), size.width()),
        clampInto(p.y(), available.top(), available.height(), size.height()) };
}

} // namespace vantry::DropDownPlacement
