// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "preview/PreviewContent.h"

#include <QByteArray>

#include <functional>
#include <memory>

namespace vantry {

/// open(2) as the preview loading calls it: a path and flags, a descriptor or -1.
using OpenFile = std::function<int(const char *path, int flags)>;
/// The system's open(2).
const OpenFile &systemOpen();

/// Reads what the preview of the file at path (raw bytes) shows, sized for fit. Blocking
/// and bounded by the limits of decodePreview; safe on any thread.
/// Only regular files are opened (links followed); folders, devices, FIFOs and sockets
/// are described from their status alone. Never fails: what cannot be read or decoded
/// becomes Kind::other.
std::shared_ptr<PreviewContent> loadPreviewContent(
    const QByteArray &path, const PreviewFit &fit, const OpenFile &open = systemOpen());

} // namespace vantry
