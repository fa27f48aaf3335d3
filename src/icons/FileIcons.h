// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QMimeType>

namespace vantry {

/// The MIME type of a path judged by its name alone (the file is never opened or
/// stat'ed); a directory is inode/directory. Safe from any thread.
QMimeType mimeTypeFromName(const QByteArray &path, bool isDirectory);

/// The icon for a file or folder: the desktop theme's icon for its MIME type (or the
/// type's generic icon), else the platform's plain file or folder icon. Cached by
/// MIME type name, so ask for it per visible row. Main thread only.
QIcon fileIcon(const QByteArray &path, bool isDirectory);

/// The icon for a MIME type name, from the same cache as fileIcon().
QIcon iconForMimeType(const QString &mimeTypeName);

} // namespace vantry
