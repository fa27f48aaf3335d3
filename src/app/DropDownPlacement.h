// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vantry::DropDownPlacement {

/// Where a drop-down window of `size` goes for an `anchor` (the tray icon's geometry, or a
/// 1×1 rectangle at the pointer): below the anchor and centred on it when the anchor sits in
/// the upper half of `available`, above it otherwise, beside it when the anchor lies left or
/// right of `available` (a vertical panel). The result always keeps the window inside
/// `available`, also in device pixels at the screen's `scale`; a window larger than that area
/// is aligned to its top left.
QPoint position(const QRect &anchor, const QSize &size, const QRect &available, qreal scale = 1.0);

} // namespace vantry::DropDownPlacement
