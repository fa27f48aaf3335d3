// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSizeF>

#include <zlib.h>

// Sample files for the preview tests.
namespace samples {

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

// Blank pages of any size the format allows, A6 by default.
inline QByteArray pdf(int pages, const QSizeF &points = QSizeF(298, 420))
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(points, QPageSize::Point));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    for (int i = 1; i < pages; ++i)
        writer.newPage();
    painter.end();
    return bytes;
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

// bytes packed as a gzip file, as compressed SVG is: zlib's deflate stream without its
// own header and checksum, between gzip's.
inline QByteArray gzip(const QByteArray &bytes)
{
    const auto crc
        = crc32(0, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    QByteArray out
        = QByteArray::fromHex("1f8b0800000000000003") + qCompress(bytes).sliced(6).chopped(4);
    for (const quint32 word : { quint32(crc), quint32(bytes.size()) })
        out += QByteArray(reinterpret_cast<const char *>(&word), 4); // little-endian
    return out;
}

} // namespace samples
