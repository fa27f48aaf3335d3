// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shelf/ShelfItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QMimeData;
struct stat;

namespace vantry {

/// The outcome of a move: empty on success, else the system's description of the error.
struct MoveResult
{
    std::optional<QString> error;
    int errorNumber = 0;
    explicit operator bool() const { return !error; }
};

/// The system calls a move is made of. Each answers like the system call: 0, or -1 with
/// errno set. Tests put in file systems that refuse some of them.
struct MoveSystemCalls
{
    /// renameat2() with RENAME_NOREPLACE.
    std::function<int(const char *from, const char *to)> renameNoReplace;
    std::function<int(const char *from, const char *to)> link;
    std::function<int(const char *path)> unlink;
    /// Plain rename(), which replaces what is at to.
    std::function<int(const char *from, const char *to)> rename;
    std::function<int(const char *path, struct stat *st)> lstat;
    /// mkdir(), which fails if anything is at path.
    std::function<int(const char *path)> makeFolder;
    std::function<int(const char *path)> removeFolder;
    /// A new empty file by open() with O_CREAT | O_EXCL, which fails if anything is at path.
    std::function<int(const char *path)> createFile;

    /// The real system calls.
    static const MoveSystemCalls &system();
};

/// Moves from to to, both path bytes, and never replaces anything already at to: such a
/// move fails with EEXIST. Where the file system offers it the refusal is atomic (the
/// no-replace rename; for files where that is refused, a hard link); where it refuses
/// both, the name is claimed first and then moved onto.
MoveResult moveWithoutReplacing(const QByteArray &from, const QByteArray &to,
    const MoveSystemCalls &calls = MoveSystemCalls::system());

/// The fallback for files where a file system refuses the no-replace flag: a hard link at
/// to (which fails if anything is there) and then the removal of from. Refuses folders.
MoveResult moveByLinking(const QByteArray &from, const QByteArray &to,
    const MoveSystemCalls &calls = MoveSystemCalls::system());

/// The last resort where a file system refuses both: claims to with a new empty folder or
/// file of the source's kind (failing with EEXIST when anything is there), then renames
/// onto that placeholder, which is ours to replace.
MoveResult moveOntoPlaceholder(const QByteArray &from, const QByteArray &to,
    const MoveSystemCalls &calls = MoveSystemCalls::system());

/// A failed move carrying the system's description of errorNumber.
MoveResult moveError(int errorNumber);

/// Whether name is a single entry name: not empty, ".", "..", and free of "/" and NUL.
bool isValidEntryName(const QByteArray &name);

/// Whether anything (even a dangling link) exists at path.
bool pathExists(const QByteArray &path);

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
