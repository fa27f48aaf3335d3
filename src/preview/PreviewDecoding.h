// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewContent.h"

#include <QMimeType>

namespace vantry {

/// Text and source files are previewed from this many bytes at most.
inline constexpr qint64 previewTextLimit = 512 * 1024;
/// A PDF shows at most this many leading pages.
inline constexpr int previewPdfPages = 3;
/// No image of a preview (a picture, an animation frame, a page) has more pixels than
/// this, or a longer side than previewSideLimit ...
inline constexpr qint64 previewImagePixelLimit = 8 * 1024 * 1024;
inline constexpr int previewSideLimit = 16 * 1024;
/// ... and the images of one preview have at most this many pixels together.
inline constexpr qint64 previewPixelLimit = 16 * 1024 * 1024;
/// A PDF up to this size is checked for a page tree that contains itself before it is
/// loaded.
inline constexpr qint64 previewPdfScanLimit = 32 * 1024 * 1024;
/// An SVG document is read, and unpacked, up to this many bytes.
inline constexpr qint64 previewSvgLimit = 16 * 1024 * 1024;

/// Fills content's kind and the fields that go with it from the regular file open as
/// file, of the given type, sized for fit within the limits above. False when it cannot
/// be shown as that type (content's kind then stays other; a file named like text that is
/// not text gets the type of plain bytes). Decoders are handed the
/// file's data, never a path, and an SVG that names other files is refused: the renderer
/// would open them on its own.
bool decodePreview(
    PreviewContent &content, FileHandle file, const QMimeType &type, const PreviewFit &fit);

/// The pixels of all images content holds.
qint64 previewPixels(const PreviewContent &content);

} // namespace vantry
