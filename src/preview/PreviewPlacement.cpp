// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewPlacement.h"

#include <algorithm>

namespace vantry {

QRect previewPanelFrame(const QRect &anchorFrame, PreviewSide side, const QSize &size,
    const std::optional<QRect> &visibleArea)
{
    // QRect::bottom() and right() are inclusive; work with exclusive edges throughout.
    const int anchorBottom = anchorFrame.y() + anchorFrame.height();
    int top = anchorBottom - size.height();
    const int rightX = anchorFrame.x() + anchorFrame.width() + previewPanelGap;
    const int leftX = anchorFrame.x() - previewPanelGap - size.width();
    if (!visibleArea)
        return QRect(QPoint(side == PreviewSide::right ? rightX : leftX, top), size);

    // A panel past the screen edge cannot be seen (a shelf under a tray icon at the right
    // end of a top panel is flush with that edge): take the other side when it has room.
    const QRect &area = *visibleArea;
    const int areaRight = area.x() + area.width();
    const int areaBottom = area.y() + area.height();
    const int roomRight = areaRight - rightX;
    const int roomLeft = anchorFrame.x() - previewPanelGap - area.x();
    const bool fitsRight = roomRight >= size.width();
    const bool fitsLeft = roomLeft >= size.width();
    bool onRight = side == PreviewSide::right;
    if (onRight ? !fitsRight : !fitsLeft) {
        const bool otherFits = onRight ? fitsLeft : fitsRight;
        if (otherFits || (onRight ? roomLeft > roomRight : roomRight > roomLeft))
            onRight = !onRight;
    }

    int left = onRight ? rightX : leftX;
    left = std::min(left, areaRight - size.width());
    left = std::max(left, area.x());
    top = std::max(top, area.y());
    top = std::min(top, areaBottom - size.height());
    return QRect(QPoint(left, top), size);
}

} // namespace vantry
