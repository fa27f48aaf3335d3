// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewContent.h"

#include <QByteArray>
#include <QSize>

#include <memory>

namespace vantry {

/// Text and source files are previewed from this many bytes at most.
inline constexpr qint64 previewTextLimit = 512 * 1024;
/// A PDF shows at most this many leading pages.
inline constexpr int previewPdfPages = 3;

/// Reads what the preview of the file at path (raw bytes) shows, with images scaled down
/// to fit fitPixels. Blocking and bounded by the size limits; safe on any thread.
/// Never fails: what cannot be read or decoded becomes Kind::other.
std::shared_ptr<PreviewContent> loadPreviewContent(const QByteArray &path, const QSize &fitPixels);

} // namespace vantry
