// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewContentLoading.h"

#include "platform/Logging.h"
#include "platform/icons/FileIcons.h"

#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>
#include <QPdfDocument>
#include <QStringDecoder>

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

    if (reader.supportsAnimation() && reader.imageCount() > 1) {
        // QMovie plays it from the start of the same descriptor on the main thread.
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

} // namespace

std::shared_ptr<PreviewContent> loadPreviewContent(const QByteArray &path, const QSize &fitPixels)
{
    auto content = std::make_shared<PreviewContent>();
    content->path = path;
    const qsizetype slash = path.lastIndexOf('/');
    content->displayName = QFile::decodeName(slash < 0 ? path : path.mid(slash + 1));

    // Opened by the raw bytes, without blocking on a FIFO or taking a terminal.
    FileHandle handle(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat st = {};
    const bool statted
        = handle.isValid() ? ::fstat(handle.fd(), &st) == 0 : ::stat(path.constData(), &st) == 0;
    if (statted) {
        content->isDirectory = S_ISDIR(st.st_mode);
        if (S_ISREG(st.st_mode))
            content->size = st.st_size;
        content->modified = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec)
                                .addMSecs(st.st_mtim.tv_nsec / 1000000);
    }

    QMimeDatabase db;
    const bool regular = statted && S_ISREG(st.st_mode) && handle.isValid();
    QMimeType type = mimeTypeFromName(path, content->isDirectory);
    if (regular) {
        const int flags = ::fcntl(handle.fd(), F_GETFL);
        if (flags != -1)
            ::fcntl(handle.fd(), F_SETFL, flags & ~O_NONBLOCK);
        // The name decides when it can; otherwise the first bytes do.
        if (type.isDefault()) {
            QByteArray head(4096, Qt::Uninitialized);
            const ssize_t n = ::pread(handle.fd(), head.data(), head.size(), 0);
            head.resize(n > 0 ? n : 0);
            type = db.mimeTypeForData(head);
        }
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
    else if (type.inherits(u"text/plain"_s))
        done = loadText(*content, handle);
    if (!done)
        content->kind = PreviewContent::Kind::other;
    return content;
}

} // namespace vantry
