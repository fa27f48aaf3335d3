// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewDecoding.h"

#include "core/Logging.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>
#include <QPdfDocument>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <cmath>
#include <functional>
#include <unistd.h>
#include <zlib.h>

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

// A page rendered without a width to fit.
constexpr int defaultPageWidth = 800;

bool isImageType(const QMimeType &type)
{
    static const QList<QByteArray> supported = QImageReader::supportedMimeTypes();
    for (const QByteArray &name : supported) {
        if (type.inherits(QString::fromLatin1(name)))
            return true;
    }
    return false;
}

qint64 pixels(const QSize &size)
{
    return size.isValid() ? qint64(size.width()) * size.height() : 0;
}

// box, made smaller where needed to stay inside the limits for one image; an invalid
// box stands for no wish of its own.
QSize boundedBox(const QSize &box)
{
    QSize bounded = box.isValid() ? box : QSize(previewSideLimit, previewSideLimit);
    bounded = bounded.boundedTo(QSize(previewSideLimit, previewSideLimit));
    if (pixels(bounded) > previewImagePixelLimit) {
        const double scale = std::sqrt(double(previewImagePixelLimit) / double(pixels(bounded)));
        bounded = QSize(int(bounded.width() * scale), int(bounded.height() * scale));
    }
    return bounded.expandedTo(QSize(1, 1));
}

QSize fitInside(const QSize &size, const QSize &box)
{
    if (!size.isValid() || (size.width() <= box.width() && size.height() <= box.height()))
        return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)).boundedTo(box);
}

bool openDevice(QFile &file, const FileHandle &handle)
{
    return file.open(handle.fd(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
}

// Up to limit bytes from the start of the file; null when there are more.
QByteArray readUpTo(const FileHandle &handle, qint64 limit)
{
    QByteArray bytes;
    QFile file;
    if (!openDevice(file, handle) || !file.seek(0))
        return {};
    bytes = file.read(limit + 1);
    if (bytes.size() > limit)
        return {};
    return bytes;
}

// Unpacks a gzip stream (a compressed SVG) of at most limit bytes; null when it is
// longer or broken.
QByteArray gunzip(const QByteArray &packed, qint64 limit)
{
    z_stream stream = {};
    if (inflateInit2(&stream, MAX_WBITS + 16) != Z_OK)
        return {};
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    QByteArray out;
    int result = Z_OK;
    while (result == Z_OK && out.size() <= limit) {
        const qsizetype done = out.size();
        out.resize(done + 64 * 1024);
        stream.next_out = reinterpret_cast<Bytef *>(out.data() + done);
        stream.avail_out = uInt(out.size() - done);
        result = inflate(&stream, Z_NO_FLUSH);
        out.resize(out.size() - stream.avail_out);
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END || out.size() > limit)
        return {};
    return out;
}

// Whether an SVG document draws only from itself. The renderer opens whatever an image
// element names (a FIFO, /dev/zero, a file elsewhere) and reads external style sheets, so
// only inline images pass. Read as the renderer reads it, up to the end of the first
// finished svg element: entities and character references come out as it sees them.
bool svgIsSelfContained(const QByteArray &bytes)
{
    QXmlStreamReader xml(bytes);
    xml.setNamespaceProcessing(false);
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() != "image"_L1)
                break;
            for (const QXmlStreamAttribute &attribute : xml.attributes()) {
                const QStringView name = attribute.qualifiedName();
                if ((name == "href"_L1 || name.endsWith(":href"_L1))
                    && !attribute.value().trimmed().startsWith("data:"_L1))
                    return false;
            }
            break;
        case QXmlStreamReader::ProcessingInstruction:
            if (xml.processingInstructionTarget().compare("xml-stylesheet"_L1, Qt::CaseInsensitive)
                == 0)
                return false;
            break;
        case QXmlStreamReader::EndElement:
            if (xml.name() == "svg"_L1)
                return true;
            break;
        default:
            break;
        }
    }
    return false;
}

// Fills the image fields from reader, within the limits; false when it is not a
// readable image. animation: the file to play from when the image moves.
bool decodeImage(
    PreviewContent &content, QImageReader &reader, const QSize &box, FileHandle *animation)
{
    reader.setAutoTransform(true);
    // Frames over the decoder's allocation limit would never show: the info page does.
    const QSize full = reader.size();
    if (full.isValid()
        && qint64(full.width()) * full.height() * 4
            > qint64(QImageReader::allocationLimit()) * 1024 * 1024) {
        qCDebug(lcPreview) << "image too large to show:" << full;
        return false;
    }
    QSize fitted = fitInside(full, box);
    if (fitted.isValid() && fitted != full)
        reader.setScaledSize(fitted);

    if (animation && reader.supportsAnimation() && reader.imageCount() > 1) {
        // The first frame must decode here, off the main thread, or nothing is shown.
        const QImage first = reader.read();
        if (first.isNull()) {
            qCDebug(lcPreview) << "cannot decode animation:" << reader.errorString();
            return false;
        }
        // The player decodes from the start of the same descriptor on a thread of its own.
        if (::lseek(animation->fd(), 0, SEEK_SET) != 0)
            return false;
        content.kind = PreviewContent::Kind::animatedImage;
        content.movieSize = fitted.isValid() ? fitted : fitInside(first.size(), box);
        content.movieFile = std::make_shared<FileHandle>(std::move(*animation));
        return true;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcPreview) << "cannot decode image:" << reader.errorString();
        return false;
    }
    // Formats that cannot scale while decoding are scaled afterwards.
    fitted = fitInside(image.size(), box);
    if (fitted != image.size())
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    content.kind = PreviewContent::Kind::image;
    content.image = std::move(image);
    return true;
}

// SVG is decoded from checked bytes, never from the file.
bool loadSvg(PreviewContent &content, const FileHandle &handle, const QSize &box)
{
    QByteArray bytes = readUpTo(handle, previewSvgLimit);
    if (bytes.startsWith("\x1f\x8b"))
        bytes = gunzip(bytes, previewSvgLimit);
    if (bytes.isEmpty() || !svgIsSelfContained(bytes)) {
        qCDebug(lcPreview) << "SVG not shown: unreadable, too large or naming other files";
        return false;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    reader.setAutoDetectImageFormat(false);
    return decodeImage(content, reader, box, nullptr);
}

bool loadImage(PreviewContent &content, FileHandle &handle, const QSize &fitPixels)
{
    const QSize box = boundedBox(fitPixels);
    QFile file;
    if (!openDevice(file, handle))
        return false;
    QImageReader reader(&file);
    // Whatever the name says, SVG content takes the SVG path.
    const QByteArray format = reader.format();
    if (format == "svg" || format == "svgz")
        return loadSvg(content, handle, box);
    return decodeImage(content, reader, box, &handle);
}

// Text has no NUL bytes and few control characters.
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
    if (!openDevice(file, handle))
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

// The object number of each page tree node and the objects its /Kids names, as far as
// the plain text of the file shows them (objects packed into streams are not seen).
QHash<qint64, QList<qint64>> pageTreeKids(const QByteArray &bytes)
{
    QHash<qint64, QList<qint64>> kids;
    for (qsizetype at = bytes.indexOf("/Kids"); at >= 0; at = bytes.indexOf("/Kids", at + 1)) {
        const qsizetype obj = bytes.lastIndexOf(" obj", at);
        const qsizetype open = bytes.indexOf('[', at);
        const qsizetype close = open < 0 ? -1 : bytes.indexOf(']', open);
        if (obj < 0 || close < 0)
            continue;
        // "<number> <generation> obj": the number is the second word back.
        const qsizetype from = std::max<qsizetype>(0, obj - 32);
        const QList<QByteArray> header = bytes.mid(from, obj - from).simplified().split(' ');
        if (header.size() < 2)
            continue;
        QList<qint64> &list = kids[header.at(header.size() - 2).toLongLong()];
        // "<number> <generation> R" each.
        const QList<QByteArray> refs
            = bytes.mid(open + 1, close - open - 1).simplified().split(' ');
        for (qsizetype i = 0; i + 2 < refs.size(); i += 3) {
            if (refs.at(i + 2) == "R")
                list.append(refs.at(i).toLongLong());
        }
    }
    return kids;
}

// pdfium as bundled with Qt 6.4 never returns from loading a page tree that contains
// itself beside other pages. Such a tree, where the file shows it, is refused.
bool pageTreeHasCycle(const QByteArray &bytes)
{
    const QHash<qint64, QList<qint64>> kids = pageTreeKids(bytes);
    QSet<qint64> done;
    QSet<qint64> path;
    const std::function<bool(qint64)> visit = [&](qint64 node) {
        if (path.contains(node))
            return true;
        if (done.contains(node) || !kids.contains(node))
            return false;
        path.insert(node);
        for (const qint64 kid : kids.value(node)) {
            if (visit(kid))
                return true;
        }
        path.remove(node);
        done.insert(node);
        return false;
    };
    for (auto it = kids.cbegin(); it != kids.cend(); ++it) {
        if (visit(it.key()))
            return true;
    }
    return false;
}

// Pages are rendered at the page width, a tall one narrower so that it stays inside the
// limits, until the limit for the whole preview is used up.
bool loadPdf(PreviewContent &content, const FileHandle &handle, int pageWidth)
{
    QFile file;
    if (!openDevice(file, handle))
        return false;
    const QByteArray head = readUpTo(handle, previewPdfScanLimit);
    if (!head.isNull() && pageTreeHasCycle(head)) {
        qCDebug(lcPreview) << "PDF not shown: its page tree contains itself";
        return false;
    }
    if (!file.seek(0))
        return false;
    QPdfDocument document;
    document.load(&file);
    if (document.status() != QPdfDocument::Status::Ready || document.pageCount() < 1)
        return false;
    content.pageCount = document.pageCount();
    const int width = std::clamp(pageWidth > 0 ? pageWidth : defaultPageWidth, 1, previewSideLimit);
    qint64 left = previewPixelLimit;
    for (int index = 0; index < std::min(content.pageCount, previewPdfPages); ++index) {
        const QSizeF points = document.pagePointSize(index);
        const qint64 room = std::min(previewImagePixelLimit, left);
        const QSize box(width, int(std::min<qint64>(previewSideLimit, room / width)));
        if (!(points.width() > 0 && points.height() > 0) || box.height() < 1)
            break;
        const QSize size = points.scaled(QSizeF(box), Qt::KeepAspectRatio)
                               .toSize()
                               .expandedTo(QSize(1, 1))
                               .boundedTo(box);
        QImage page = document.render(index, size);
        if (page.isNull())
            break;
        // Pages render on transparency; paper is white. Both in place: no second copy.
        QPainter painter(&page);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        painter.fillRect(page.rect(), Qt::white);
        painter.end();
        page.convertTo(QImage::Format_RGB32);
        left -= pixels(page.size());
        content.pages.append(std::move(page));
    }
    document.close();
    if (content.pages.isEmpty())
        return false;
    content.kind = PreviewContent::Kind::pdf;
    return true;
}

} // namespace

bool decodePreview(
    PreviewContent &content, FileHandle file, const QMimeType &type, const PreviewFit &fit)
{
    if (isImageType(type))
        return loadImage(content, file, fit.image);
    if (type.inherits(u"application/pdf"_s))
        return loadPdf(content, file, fit.pageWidth);
    if (!type.inherits(u"text/plain"_s))
        return false;
    if (loadText(content, file))
        return true;
    // Named like text but is not: the info page says what it is.
    const QMimeType binary = QMimeDatabase().mimeTypeForName(u"application/octet-stream"_s);
    content.mimeType = binary.name();
    content.mimeComment = binary.comment();
    return false;
}

qint64 previewPixels(const PreviewContent &content)
{
    qint64 total = pixels(content.image.size()) + pixels(content.movieSize);
    for (const QImage &page : content.pages)
        total += pixels(page.size());
    return total;
}

} // namespace vantry
