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

MoveResult moveByLinking(const QByteArray &from, const QByteArray &to)
{
    struct stat st;
    if (::lstat(from.constData(), &st) != 0)
        return moveError(errno);
    // A folder cannot be hard-linked, and rename(2) would replace an empty
    // folder at the target: refuse rather than risk it.
    if (S_ISDIR(st.st_mode))
        return moveError(EOPNOTSUPP);
    if (::link(from.constData(), to.constData()) != 0)
        return moveError(errno);
    if (::unlink(from.constData()) != 0) {
        const int error = errno;
        ::unlink(to.constData());
        return moveError(error);
    }
    return {};
}

MoveResult moveWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return {};
    const int error = errno;
    // Some file systems (older NFS, many FUSE ones) refuse the flag itself.
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP)
        return moveByLinking(from, to);
    return moveError(error);
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

QString trimmedName(const QString &typed)
{
    return typed.trimmed();
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
