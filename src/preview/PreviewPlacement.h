// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PreviewSide.h"

#include <QRect>
#include <QSize>

#include <optional>

namespace vantry {

/// Gap between the shelf window and the preview panel.
inline constexpr int previewPanelGap = 8;

/// The preview panel's frame beside anchorFrame (screen coordinates, y grows downwards).
/// Bottom edges line up and the windows are previewPanelGap apart. On the right nothing
/// is clamped; on the left the panel is kept inside visibleArea: first its top edge, then
/// its bottom edge (which wins), then its left edge. No visibleArea means no screen.
QRect previewPanelFrame(const QRect &anchorFrame, PreviewSide side, const QSize &size,
    const std::optional<QRect> &visibleArea);

} // namespace vantry
