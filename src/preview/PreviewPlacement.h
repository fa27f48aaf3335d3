// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PreviewSide.h"

#include <QRect>
#include <QSize>

#include <optional>

namespace vantry {

/// Gap between the shelf window and the preview panel.
inline constexpr int previewPanelGap = 8;

/// The preview panel's frame beside anchorFrame (screen coordinates, y grows downwards).
/// Bottom edges line up and the windows are previewPanelGap apart, on `side` when the panel
/// fits there inside visibleArea, else on the other side when it fits there, else on the side
/// with more room. The panel is then kept inside visibleArea: its left edge, then its top
/// edge, then its bottom edge (which wins). No visibleArea means no screen: nothing moves.
QRect previewPanelFrame(const QRect &anchorFrame, PreviewSide side, const QSize &size,
    const std::optional<QRect> &visibleArea);

} // namespace vantry
