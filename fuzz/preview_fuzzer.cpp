// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the preview decoders as a file of the type its content suggests
// (a picture, SVG, PDF or text) and checks that what comes out stays inside the preview's
// pixel limits, however large the file says it is.
#include "preview/PreviewDecoding.h"

#include <QGuiApplication>
#include <QMimeDatabase>

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

using vantry::PreviewContent;
using vantry::PreviewFit;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool withinLimits(const QSize &size)
{
    return size.isEmpty()
        || (qint64(size.width()) * size.height() <= vantry::previewImagePixelLimit
            && std::max(size.width(), size.height()) <= vantry::previewSideLimit);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Fonts for SVG text need the application object; no display is needed. It lives as
    // long as the process, as do Qt's font caches behind it.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static const QGuiApplication *app = new QGuiApplication(*argc, *argv);
    Q_UNUSED(app);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    // The panel at its usual size, no size at all, or one far beyond the limits.
    static const PreviewFit fits[]
        = { { QSize(760, 544), 730 }, {}, { QSize(1 << 20, 1 << 20), 1 << 20 } };
    const PreviewFit &fit = fits[size % 3];

    const int fd = ::memfd_create("preview", MFD_CLOEXEC);
    check(fd >= 0);
    vantry::FileHandle file(fd);
    check(::write(fd, data, size) == ssize_t(size) && ::lseek(fd, 0, SEEK_SET) == 0);

    PreviewContent content;
    const QMimeType type = QMimeDatabase().mimeTypeForData(bytes);
    const bool shown = vantry::decodePreview(content, std::move(file), type, fit);
    check(shown || content.kind == PreviewContent::Kind::other);

    check(withinLimits(content.image.size()) && withinLimits(content.movieSize));
    if (fit.image.isValid())
        check(content.image.width() <= fit.image.width()
            && content.image.height() <= fit.image.height());
    for (const QImage &page : content.pages)
        check(withinLimits(page.size()) && (fit.pageWidth <= 0 || page.width() <= fit.pageWidth));
    check(vantry::previewPixels(content) <= vantry::previewPixelLimit);
    return 0;
}
