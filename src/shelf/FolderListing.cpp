// SPDX-License-Identifier: GPL-3.0-or-later
#include "shelf/FolderListing.h"

#include "core/Logging.h"
#include "shelf/FileOperations.h"

#include <QSet>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace vantry {

namespace {

// Closes the folder however the listing ends.
struct DirCloser
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};

QByteArray readSmallFile(int dirFd, const char *name)
{
    const int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return {};
    QByteArray contents;
    struct stat st;
    // Only a regular file of sane size: a FIFO or a huge file must not stall the shelf.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= 1024 * 1024) {
        char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            contents.append(buffer, n);
        }
    }
    ::close(fd);
    return contents;
}

// The entry's directory flag: from d_type when the file system gives it,
// otherwise from the inode. A link is a folder when its target is one; a
// dangling link is a plain item. Nothing when the entry vanished meanwhile.
std::optional<bool> isDirectoryEntry(int dirFd, const dirent *entry)
{
    switch (entry->d_type) {
    case DT_DIR:
        return true;
    case DT_LNK: {
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, 0) == 0)
            return S_ISDIR(st.st_mode);
        return false;
    }
    case DT_UNKNOWN: {
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return std::nullopt;
        if (!S_ISLNK(st.st_mode))
            return S_ISDIR(st.st_mode);
        if (::fstatat(dirFd, entry->d_name, &st, 0) == 0)
            return S_ISDIR(st.st_mode);
        return false;
    }
    default:
        return false;
    }
}

} // namespace

QList<QByteArray> parseHiddenFile(const QByteArray &contents)
{
    QList<QByteArray> names;
    for (const QByteArray &line : contents.split('\n')) {
        if (!line.isEmpty())
            names.append(line);
    }
    return names;
}

QList<ShelfItem> loadItems(const QByteArray &folderPath)
{
    QList<ShelfItem> items;
    if (folderPath.isEmpty() || folderPath.contains('\0'))
        return items;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folderPath.constData()));
    if (!dir) {
        // Listing fails silently for the user; the reason is for whoever turns debug on.
        qCDebug(lcShelf) << "cannot list" << folderPath << ":" << qt_error_string(errno);
        return items;
    }
    const int dirFd = ::dirfd(dir.get());

    QSet<QByteArray> hidden;
    for (const QByteArray &name : parseHiddenFile(readSmallFile(dirFd, ".hidden")))
        hidden.insert(name);

    const QByteArray prefix = folderPath.endsWith('/') ? folderPath : folderPath + '/';
    while (const dirent *entry = ::readdir(dir.get())) {
        const char *name = entry->d_name;
        if (name[0] == '.')
            continue;
        const qsizetype nameLength = qsizetype(std::strlen(name));
        if (!hidden.isEmpty() && hidden.contains(QByteArray::fromRawData(name, nameLength)))
            continue;
        const std::optional<bool> isDirectory = isDirectoryEntry(dirFd, entry);
        if (!isDirectory)
            continue;
        QByteArray path;
        path.reserve(prefix.size() + nameLength);
        path.append(prefix).append(name, nameLength);
        items.append(ShelfItem(std::move(path), *isDirectory));
    }
    return items;
}

} // namespace vantry
