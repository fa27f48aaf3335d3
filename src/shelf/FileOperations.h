// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/ShelfItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QMimeData;

namespace vantry {

/// The outcome of a move: empty on success, else the system's description of the error.
struct MoveResult
{
    std::optional<QString> error;
    int errorNumber = 0;
    explicit operator bool() const { return !error; }
};

/// Moves from to to, both path bytes, and never replaces anything already at to
/// (also one that appears meanwhile): such a move fails with EEXIST.
MoveResult moveWithoutReplacing(const QByteArray &from, const QByteArray &to);

/// The fallback where a file system refuses the no-replace flag: a hard link at to
/// (which fails if anything is there) and then the removal of from. Refuses folders.
MoveResult moveByLinking(const QByteArray &from, const QByteArray &to);

/// A failed move carrying the system's description of errorNumber.
MoveResult moveError(int errorNumber);

/// Whether name is a single entry name: not empty, ".", "..", and free of "/" and NUL.
bool isValidEntryName(const QByteArray &name);

/// Whether anything (even a dangling link) exists at path.
bool pathExists(const QByteArray &path);

/// The typed name with whitespace and newlines trimmed from both ends.
QString trimmedName(const QString &typed);

/// "dir/name" for a folder path and an entry name.
QByteArray childPath(const QByteArray &folderPath, const QByteArray &name);
/// The folder part of a path ("/a/b" gives "/a", "/a" gives "/").
QByteArray parentPath(const QByteArray &path);
/// The last component of a path.
QByteArray lastComponent(const QByteArray &path);

/// What a drag of items carries: their file URLs (text/uri-list) and paths (text/plain).
QMimeData *createDragData(const QList<ShelfItem> &items);

/// The file URL of path, percent-encoded from its bytes so that nothing is lost.
QUrl fileUrlFromPath(const QByteArray &path);

} // namespace vantry
