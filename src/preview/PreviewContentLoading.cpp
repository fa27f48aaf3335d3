// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewContentLoading.h"

#include "platform/FileNameText.h"
#include "platform/Logging.h"
#include "platform/icons/FileIcons.h"

#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>
#include <QPdfDocument>
#include <QStringDecoder>

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vantry {

FileHandle &FileHandle::operator=(FileHandle &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileHandle::~FileHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

namespace {

bool isImageType(const QMimeType &type)
{
    static const QList<QByteArray> supported = QImageReader::supportedMimeTypes();
    for (const QByteArray &name : supported) {
        if (type.inherits(QString::fromLatin1(name)))
            return true;
    }
    return false;
}

QSize fitInside(const QSize &size, const QSize &box)
{
    if (!size.isValid() || !box.isValid()
        || (size.width() <= box.width() && size.height() <= box.height()))
        return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// Fills the image fields; false when the data is not a readable image.
bool loadImage(PreviewContent &content, FileHandle &handle, const QSize &fitPixels)
{
    QFile file;
    if (!file.open(handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return false;
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QSize fitted = fitInside(reader.size(), fitPixels);

    // Frames over the decoder's allocation limit would never show: the info page does.
    const QSize full = reader.size();
    if (full.isValid()
        && qint64(full.width()) * full.height() * 4
            > qint64(QImageReader::allocationLimit()) * 1024 * 1024) {
        qCDebug(lcPreview) << "image too large to show:" << full;
        return false;
    }

    if (reader.supportsAnimation() && reader.imageCount() > 1) {
        // The first frame must decode here, off the main thread, or nothing is shown.
        if (fitted.isValid() && fitted != full)
            reader.setScaledSize(fitted);
        if (reader.read().isNull()) {
            qCDebug(lcPreview) << "cannot decode animation:" << reader.errorString();
            return false;
        }
        // The player decodes from the start of the same descriptor on a thread of its own.
        if (::lseek(handle.fd(), 0, SEEK_SET) != 0)
            return false;
        content.kind = PreviewContent::Kind::animatedImage;
        content.movieSize = fitted;
        content.movieFile = std::make_shared<FileHandle>(std::move(handle));
        return true;
    }
    if (fitted.isValid() && fitted != reader.size())
        reader.setScaledSize(fitted);
    QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcPreview) << "cannot decode image:" << reader.errorString();
        return false;
    }
    // Formats that cannot scale while decoding are scaled afterwards.
    const QSize after = fitInside(image.size(), fitPixels);
    if (after != image.size())
        image = image.scaled(after, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    content.kind = PreviewContent::Kind::image;
    content.image = std::move(image);
    return true;
}

// Text has no NUL bytes and few control characters; what has is shown as a file of its
// own kind, whatever its name says.
bool looksLikeText(const QByteArray &bytes)
{
    qsizetype controls = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0)
            return false;
        if ((byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f'
                && byte != '\v' && byte != 0x1B)
            || byte == 0x7F)
            ++controls;
    }
    return controls * 10 <= bytes.size();
}

bool loadText(PreviewContent &content, const FileHandle &handle)
{
    QFile file;
    if (!file.open(handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return false;
    // One byte more than the limit tells whether anything was left out.
    QByteArray bytes = file.read(previewTextLimit + 1);
    content.truncated = bytes.size() > previewTextLimit;
    if (content.truncated)
        bytes.truncate(previewTextLimit);
    if (!looksLikeText(bytes))
        return false;

    // A cut through a multi-byte sequence at the limit is not an encoding error, so the
    // stateful decoder is used there; a whole file must end on a complete sequence.
    QStringDecoder utf8(QStringDecoder::Utf8,
        content.truncated ? QStringDecoder::Flag::Default : QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        text = QString::fromLatin1(bytes);
        content.latin1 = true;
    }
    content.kind = PreviewContent::Kind::text;
    content.text = std::move(text);
    return true;
}

bool loadPdf(PreviewContent &content, const FileHandle &handle, const QSize &fitPixels)
{
    QFile file;
    if (!file.open(handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return false;
    QPdfDocument document;
    document.load(&file);
    if (document.status() != QPdfDocument::Status::Ready || document.pageCount() < 1)
        return false;
    content.pageCount = document.pageCount();
    const int width = fitPixels.isValid() ? fitPixels.width() : 800;
    for (int page = 0; page < std::min(content.pageCount, previewPdfPages); ++page) {
        const QSizeF points = document.pagePointSize(page);
        if (points.isEmpty())
            break;
        const QSize pixels(width, qMax(1, qRound(points.height() * width / points.width())));
        const QImage rendered = document.render(page, pixels);
        if (rendered.isNull())
            break;
        // Pages render on transparency; paper is white.
        QImage paper(rendered.size(), QImage::Format_RGB32);
        paper.fill(Qt::white);
        QPainter(&paper).drawImage(0, 0, rendered);
        content.pages.append(std::move(paper));
    }
    document.close();
    if (content.pages.isEmpty())
        return false;
    content.kind = PreviewContent::Kind::pdf;
    return true;
}

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
    const QByteArray &path, const QSize &fitPixels, const OpenFile &open)
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

    bool done = false;
    if (isImageType(type))
        done = loadImage(*content, handle, fitPixels);
    else if (type.inherits(u"application/pdf"_s))
        done = loadPdf(*content, handle, fitPixels);
    else if (type.inherits(u"text/plain"_s)) {
        done = loadText(*content, handle);
        if (!done) {
            // Named like text but is not: the info page says what it is.
            const QMimeType binary = db.mimeTypeForName(u"application/octet-stream"_s);
            content->mimeType = binary.name();
            content->mimeComment = binary.comment();
        }
    }
    if (!done)
        content->kind = PreviewContent::Kind::other;
    return content;
}

} // namespace vantry
