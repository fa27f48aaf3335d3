// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QSizeF>

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

// Sample files for the preview tests, written through raw byte paths.
namespace samples {

inline bool writeBytes(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    return ::close(fd) == 0 && done == bytes.size();
}

inline QByteArray png(const QSize &size, const QColor &color = Qt::darkCyan)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Blank pages of any size the format allows (A6 by default), written by hand.
inline QByteArray pdf(int pages, const QSizeF &points = QSizeF(298, 420))
{
    QByteArray kids;
    for (int i = 0; i < pages; ++i)
        kids += QByteArray::number(3 + i) + " 0 R ";
    QList<QByteArray> objects { "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>" };
    const QByteArray box
        = QByteArray::number(points.width()) + ' ' + QByteArray::number(points.height());
    for (int i = 0; i < pages; ++i)
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + box + "] >>");
    QByteArray out = "%PDF-1.4\n";
    const QByteArray count = QByteArray::number(objects.size() + 1);
    QByteArray xref = "xref\n0 " + count + "\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(out.size()).rightJustified(10, '0') + " 00000 n \n";
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects.at(i) + "\nendobj\n";
    }
    return out + xref + "trailer\n<< /Size " + count + " /Root 1 0 R >>\nstartxref\n"
        + QByteArray::number(out.size()) + "\n%%EOF\n";
}

// A 1 x 1 GIF with two frames and a loop block: the smallest animation there is.
// repeats: how often it starts over after the first play; 0 for ever, -1 no loop block.
inline QByteArray animatedGif(int repeats = 0)
{
    QByteArray gif("GIF89a");
    gif += QByteArray::fromHex("01000100800000000000ffffff"); // screen, 2-colour table
    if (repeats >= 0) {
        gif += QByteArray::fromHex("21ff0b4e45545343415045322e300301"); // the loop block
        gif += char(repeats & 0xff);
        gif += char(repeats >> 8);
        gif += '\0';
    }
    const QByteArray frame = QByteArray::fromHex("21f904000a000000" // 0.1 s per frame
                                                 "2c000000000100010000" // 1 x 1 at 0,0
                                                 "0202440100");
    gif += frame;
    gif += frame;
    gif += ';';
    return gif;
}

// bytes packed as a gzip file, as compressed SVG is.
inline QByteArray gzip(const QByteArray &bytes)
{
    z_stream stream = {};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(deflateBound(&stream, uLong(bytes.size())), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

} // namespace samples
