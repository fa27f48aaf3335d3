// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/ShelfItem.h"

#include <QByteArray>
#include <QList>

namespace vantry {

/// The direct entries of the folder at folderPath (bytes), in the order the system
/// returns them. Hidden entries (names starting with "." and names listed in the
/// folder's ".hidden" file) are left out. A symbolic link counts as a folder when
/// its target is one; a dangling link is a plain item. Never fails: a folder that
/// cannot be read gives an empty list, an entry that vanishes meanwhile is left out.
QList<ShelfItem> loadItems(const QByteArray &folderPath);

/// The names listed in a ".hidden" file's contents, one per line.
QList<QByteArray> parseHiddenFile(const QByteArray &contents);

} // namespace vantry
