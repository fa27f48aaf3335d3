// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewContentLoading.h"

#include "core/FileNameText.h"
#include "icons/FileIcons.h"
#include "preview/PreviewDecoding.h"

#include <QMimeDatabase>

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vantry {

namespace {

QString specialFileType(mode_t mode)
{
    if (S_ISCHR(mode))
        return u"inode/chardevice"_s;
    if (S_ISBLK(mode))
        return u"inode/blockdevice"_s;
    if (S_ISFIFO(mode))
        return u"inode/fifo"_s;
    if (S_ISSOCK(mode))
        return u"inode/socket"_s;
    return u"application/octet-stream"_s;
}

// Opens the regular file that st describes for reading, or nothing. The path is first
// opened with O_PATH, which never reaches a driver, and reopened through that handle
// only when it is still the same regular file: a link swapped meanwhile to a device is
// never opened.
FileHandle openRegularFile(const QByteArray &path, const struct stat &st, const OpenFile &open)
{
    const auto sameRegularFile = [&st](int fd) {
        struct stat now;
        return ::fstat(fd, &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == st.st_dev
            && now.st_ino == st.st_ino;
    };
    const FileHandle pathHandle(open(path.constData(), O_PATH | O_CLOEXEC));
    if (!pathHandle.isValid() || !sameRegularFile(pathHandle.fd()))
        return {};
    const QByteArray reopen = "/proc/self/fd/" + QByteArray::number(pathHandle.fd());
    FileHandle handle(open(reopen.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!handle.isValid() || !sameRegularFile(handle.fd()))
        return {};
    const int flags = ::fcntl(handle.fd(), F_GETFL);
    if (flags != -1)
        ::fcntl(handle.fd(), F_SETFL, flags & ~O_NONBLOCK);
    return handle;
}

} // namespace

const OpenFile &systemOpen()
{
    static const OpenFile open = [](const char *path, int flags) { return ::open(path, flags); };
    return open;
}

std::shared_ptr<PreviewContent> loadPreviewContent(
    const QByteArray &path, const PreviewFit &fit, const OpenFile &open)
{
    auto content = std::make_shared<PreviewContent>();
    content->path = path;
    const qsizetype slash = path.lastIndexOf('/');
    content->displayName = fileNameText(slash < 0 ? path : path.mid(slash + 1));

    // The kind comes first, from the names alone: opening a device node can have effects
    // of its own (a serial port resets the board behind it), so only regular files are
    // ever opened.
    struct stat linkStat = {};
    if (::lstat(path.constData(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
        content->isLink = true;
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), target.data(), target.size());
        target.resize(n > 0 ? n : 0);
        content->linkTarget = fileNameText(target);
    }
    struct stat st = {};
    const bool statted = ::stat(path.constData(), &st) == 0;
    if (statted) {
        content->isDirectory = S_ISDIR(st.st_mode);
        if (S_ISREG(st.st_mode))
            content->size = st.st_size;
        content->modified = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec)
                                .addMSecs(st.st_mtim.tv_nsec / 1000000);
    }

    QMimeDatabase db;
    QMimeType type;
    if (!statted && content->isLink)
        type = db.mimeTypeForName(u"inode/symlink"_s); // dangling
    else if (statted && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        type = db.mimeTypeForName(specialFileType(st.st_mode));
    else
        type = mimeTypeFromName(path, content->isDirectory);
    if (!type.isValid())
        type = db.mimeTypeForName(u"application/octet-stream"_s);

    FileHandle handle;
    if (statted && S_ISREG(st.st_mode))
        handle = openRegularFile(path, st, open);
    const bool regular = handle.isValid();
    if (regular && type.isDefault()) {
        // The name decides when it can; otherwise the first bytes do.
        QByteArray head(4096, Qt::Uninitialized);
        const ssize_t n = ::pread(handle.fd(), head.data(), head.size(), 0);
        head.resize(n > 0 ? n : 0);
        type = db.mimeTypeForData(head);
    }
    content->mimeType = type.name();
    content->mimeComment = type.comment();
    if (!regular)
        return content;

    if (!decodePreview(*content, std::move(handle), type, fit))
        content->kind = PreviewContent::Kind::other;
    return content;
}

} // namespace vantry
