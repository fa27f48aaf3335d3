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

    if (side == PreviewSide::right) {
        const int left = anchorFrame.x() + anchorFrame.width() + previewPanelGap;
        return QRect(QPoint(left, top), size);
    }

    int left = anchorFrame.x() - previewPanelGap - size.width();
    if (visibleArea) {
        const int areaBottom = visibleArea->y() + visibleArea->height();
        top = std::max(top, visibleArea->y());
        top = std::min(top, areaBottom - size.height());
        left = std::max(left, visibleArea->x());
    }
    return QRect(QPoint(left, top), size);
}

} // namespace vantry
