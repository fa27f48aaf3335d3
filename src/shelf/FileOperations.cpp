// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/FileOperations.h"

#include <QMimeData>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vantry {

MoveResult moveError(int errorNumber)
{
    return MoveResult { QString::fromLocal8Bit(std::strerror(errorNumber)), errorNumber };
}

const MoveSystemCalls &MoveSystemCalls::system()
{
    static const MoveSystemCalls calls {
        [](const char *from, const char *to) {
            return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
        },
        [](const char *from, const char *to) { return ::link(from, to); },
        [](const char *path) { return ::unlink(path); },
        [](const char *from, const char *to) { return ::rename(from, to); },
        [](const char *path, struct stat *st) { return ::lstat(path, st); },
        [](const char *path) { return ::mkdir(path, 0700); },
        [](const char *path) { return ::rmdir(path); },
        [](const char *path) {
            const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            return fd < 0 ? -1 : ::close(fd);
        },
    };
    return calls;
}

namespace {

// How file systems say they do not do an operation at all (as opposed to failing it).
bool isRefusal(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// Hard links are also refused with EPERM (FAT, many FUSE file systems) or when the
// file has too many links already.
bool isLinkRefusal(int error)
{
    return isRefusal(error) || error == EPERM || error == EMLINK;
}

} // namespace

MoveResult moveByLinking(const QByteArray &from, const QByteArray &to, const MoveSystemCalls &calls)
{
    struct stat st;
    if (calls.lstat(from.constData(), &st) != 0)
        return moveError(errno);
    // A folder cannot be hard-linked, and rename(2) would replace an empty
    // folder at the target: refuse rather than risk it.
    if (S_ISDIR(st.st_mode))
        return moveError(EOPNOTSUPP);
    if (calls.link(from.constData(), to.constData()) != 0)
        return moveError(errno);
    if (calls.unlink(from.constData()) != 0) {
        const int error = errno;
        calls.unlink(to.constData());
        return moveError(error);
    }
    return {};
}

MoveResult moveOntoPlaceholder(
    const QByteArray &from, const QByteArray &to, const MoveSystemCalls &calls)
{
    struct stat st;
    if (calls.lstat(from.constData(), &st) != 0)
        return moveError(errno);
    // A check before a plain rename would race: an empty folder appearing at to
    // meanwhile would be replaced. The exclusive creation is the check.
    const bool folder = S_ISDIR(st.st_mode);
    if ((folder ? calls.makeFolder(to.constData()) : calls.createFile(to.constData())) != 0)
        return moveError(errno);
    if (calls.rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        if (folder)
            calls.removeFolder(to.constData());
        else
            calls.unlink(to.constData());
        return moveError(error);
    }
    return {};
}

MoveResult moveWithoutReplacing(
    const QByteArray &from, const QByteArray &to, const MoveSystemCalls &calls)
{
    if (calls.renameNoReplace(from.constData(), to.constData()) == 0)
        return {};
    const int error = errno;
    // Older NFS and many FUSE file systems refuse the flag itself.
    if (!isRefusal(error))
        return moveError(error);
    struct stat st;
    if (calls.lstat(from.constData(), &st) != 0)
        return moveError(errno);
    if (!S_ISDIR(st.st_mode)) {
        // For files a hard link still refuses to replace anything, atomically.
        MoveResult linked = moveByLinking(from, to, calls);
        if (linked || !isLinkRefusal(linked.errorNumber))
            return linked;
    }
    return moveOntoPlaceholder(from, to, calls);
}

bool isValidEntryName(const QByteArray &name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/')
        && !name.contains('\0');
}

bool pathExists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

QByteArray childPath(const QByteArray &folderPath, const QByteArray &name)
{
    if (folderPath.endsWith('/'))
        return folderPath + name;
    return folderPath + '/' + name;
}

QByteArray parentPath(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArray(".");
    if (slash == 0)
        return QByteArray("/");
    return path.left(slash);
}

QByteArray lastComponent(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QUrl fileUrlFromPath(const QByteArray &path)
{
    // Every byte outside the unreserved set is escaped, so names that are not
    // UTF-8 survive: QUrl keeps escapes it cannot decode.
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

QMimeData *createDragData(const QList<ShelfItem> &items)
{
    QByteArray uriList;
    QByteArray paths;
    for (const ShelfItem &item : items) {
        uriList += item.url().toEncoded() + "\r\n";
        if (!paths.isEmpty())
            paths += '\n';
        paths += item.path();
    }
    auto *data = new QMimeData;
    data->setData(u"text/uri-list"_s, uriList);
    // The path bytes as they are, so a terminal receiving the drop gets the real name.
    data->setData(u"text/plain"_s, paths);
    return data;
}

} // namespace vantry
