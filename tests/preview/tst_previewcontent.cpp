// SPDX-License-Identifier: GPL-3.0-or-later
#include "../shelf/ShelfTestFolder.h"
#include "PreviewSamples.h"

#include "core/FileNameText.h"
#include "preview/PreviewContentLoading.h"
#include "preview/PreviewDecoding.h"
#include "preview/PreviewLoader.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using vantry::PreviewContent;
using vantry::PreviewFit;
using Kind = vantry::PreviewContent::Kind;

Q_DECLARE_METATYPE(vantry::PreviewContent::Kind)
Q_DECLARE_METATYPE(vantry::PreviewFit)

namespace {

// The panel at its usual size.
const PreviewFit panel { QSize(380, 280), 377 };

// A 40 x 30 drawing, with an image named by href if there is one.
QByteArray svg(const QByteArray &href, const QByteArray &beforeRoot = {})
{
    const QByteArray image = "<image width='20' height='20' xlink:href='" + href + "'/>";
    return beforeRoot
        + "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'"
          " width='40' height='30'><rect width='40' height='30'/>"
        + (href.isEmpty() ? QByteArray() : image) + "</svg>";
}

} // namespace

class TestPreviewContent : public QObject
{
    Q_OBJECT

private:
    vantry::ShelfTestFolder m_folder;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.addFolder("Some folder"));
        QCOMPARE(::mkfifo(m_folder.pathOf("a-fifo").constData(), 0600), 0);
        m_folder.write("target", "linked text\n");
    }

    void kindFollowsTheContent_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QSize>("shape"); // image: its size; pdf: pages in all, pages shown
        const QByteArray png = samples::png(QSize(40, 30));
        QByteArray hugeGif = samples::animatedGif();
        hugeGif.replace(6, 4, QByteArray::fromHex("ffffffff")); // a 65535 x 65535 screen
        QTest::newRow("png, non-UTF-8 name")
            << "\xff\xfe.png"_ba << png << Kind::image << QSize(40, 30);
        QTest::newRow("large png, scaled while loading")
            << "large.png"_ba << samples::png(QSize(4000, 3000)) << Kind::image << QSize(373, 280);
        QTest::newRow("animation")
            << "moving.gif"_ba << samples::animatedGif() << Kind::animatedImage << QSize();
        QTest::newRow("animation over the decoder's limit")
            << "huge.gif"_ba << hugeGif << Kind::other << QSize();
        QTest::newRow("pdf, only the first pages")
            << "long.pdf"_ba << samples::pdf(7) << Kind::pdf << QSize(7, vantry::previewPdfPages);
        QTest::newRow("source") << "main.cpp"_ba
                                << "int main() {}\n"_ba << Kind::text << QSize();
        QTest::newRow("text without extension") << "notes"_ba
                                                << "just some words\n"_ba << Kind::text << QSize();
        QTest::newRow("broken png") << "broken.png"_ba
                                    << "\x89PNG\r\n\x1a\nnot really"_ba << Kind::other << QSize();
        // pdfium never returns from loading a page tree that contains itself beside pages.
        QByteArray cyclic = samples::pdf(3);
        cyclic.replace("/Kids \n[\n6 0 R", "/Kids \n[\n3 0 R"); // the tree is object 3
        QTest::newRow("pdf, page tree in itself")
            << "cyclic.pdf"_ba << cyclic << Kind::other << QSize();
        QTest::newRow("control characters")
            << "controls.txt"_ba
            << "\x01\x02\x03\x04\x05\x06 abc\x07\x08\x0e"_ba << Kind::other << QSize();
        QTest::newRow("text, then zeros")
            << "zeros.txt"_ba
            << "start\n"_ba + QByteArray(1 << 16, '\0') << Kind::other << QSize();

        // The SVG renderer opens whatever an image names, a FIFO too, and blocks in it: an SVG
        // shows only when it draws from nothing but itself.
        const QByteArray inlined = "data:image/png;base64," + samples::png(QSize(8, 8)).toBase64();
        const QByteArray file = m_folder.write("red.png", samples::png(QSize(8, 8), Qt::red));
        QByteArray escaped;
        for (const char c : file)
            escaped += "&#" + QByteArray::number(int(c)) + ';';
        const QSize drawing(40, 30);
        QTest::newRow("svg, inline picture")
            << "inline.svg"_ba << svg(inlined) << Kind::image << drawing;
        QTest::newRow("svg, compressed")
            << "inline.svgz"_ba << samples::gzip(svg(inlined)) << Kind::image << drawing;
        QTest::newRow("svg, picture by path")
            << "path.svg"_ba << svg(file) << Kind::other << QSize();
        QTest::newRow("svg, path in character references")
            << "refs.svg"_ba << svg(escaped) << Kind::other << QSize();
        QTest::newRow("svg, path in an entity")
            << "entity.svg"_ba << svg("&p;", "<!DOCTYPE svg [<!ENTITY p '" + file + "'>]>")
            << Kind::other << QSize();
        QTest::newRow("svg, external style sheet")
            << "sheet.svg"_ba << svg({}, "<?xml-stylesheet type='text/css' href='style.css'?>")
            << Kind::other << QSize();
        QTest::newRow("svg named as PNG")
            << "drawing.png"_ba << svg(file) << Kind::other << QSize();
        QTest::newRow("svg, compressed, unpacking past the limit")
            << "bomb.svgz"_ba
            << samples::gzip(svg({}, "<!--" + QByteArray(vantry::previewSvgLimit, ' ') + "-->"))
            << Kind::other << QSize();
    }
    void kindFollowsTheContent()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        QFETCH(QSize, shape);
        const QByteArray path = m_folder.write(name, bytes);
        const auto content = vantry::loadPreviewContent(path, panel);
        QCOMPARE(content->kind, kind);
        QCOMPARE(content->path, path);
        QCOMPARE(content->size, bytes.size());
        QCOMPARE(content->displayName, vantry::fileNameText(name));
        QVERIFY(!content->mimeComment.isEmpty());
        // Named like text but is not: shown as a file of its own kind.
        QCOMPARE(content->mimeType == u"application/octet-stream"_s,
            name.endsWith(".txt") && kind == Kind::other);
        if (kind == Kind::image)
            QCOMPARE(content->image.size(), shape);
        if (kind == Kind::animatedImage)
            QVERIFY(content->movieFile && content->movieFile->isValid());
        if (kind == Kind::pdf) {
            QCOMPARE(QSize(content->pageCount, content->pages.size()), shape);
            QCOMPARE(content->pages.first().width(), panel.pageWidth);
        }
        if (kind == Kind::text)
            QCOMPARE(content->text, QString::fromLatin1(bytes));
    }

    void textStopsAtTheLimitAndFallsBackToLatin1_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("truncated");
        QTest::addColumn<bool>("latin1");
        const qsizetype limit = vantry::previewTextLimit;
        QTest::newRow("exactly the limit")
            << QByteArray(limit, 'a') << QString(limit, u'a') << false << false;
        QTest::newRow("one byte more")
            << QByteArray(limit + 1, 'a') << QString(limit, u'a') << true << false;
        // The limit falls inside the last two-byte character: still UTF-8, one fewer character.
        QByteArray split = "a";
        while (split.size() < limit + 10)
            split += "\xc3\xa9";
        QTest::newRow("limit inside a character")
            << split << u"a"_s + QString(limit / 2 - 1, u'é') << true << false;
        QTest::newRow("latin-1") << "caf\xe9 na\xefve"_ba << u"café naïve"_s << false << true;
        QTest::newRow("utf-8 cut at the end of the file")
            << "abc\xe2\x82"_ba << u"abc\u00e2\u0082"_s << false << true;
    }
    void textStopsAtTheLimitAndFallsBackToLatin1()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, truncated);
        QFETCH(bool, latin1);
        const auto content = vantry::loadPreviewContent(m_folder.write("enc.txt", bytes), panel);
        QCOMPARE(content->kind, Kind::text);
        QCOMPARE(content->text, text);
        QCOMPARE(content->truncated, truncated);
        QCOMPARE(content->latin1, latin1);
    }

    // Folders, devices, FIFOs and links to them are described from their status and never
    // opened: opening a serial port alone resets the board behind it, a FIFO blocks. A link
    // to a regular file shows the file, opened through a path handle, then for reading.
    void onlyRegularFilesAreOpened_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("linkTo"); // empty: no link
        QTest::addColumn<QString>("mimeType");
        QTest::newRow("folder") << "Some folder"_ba << QByteArray() << u"inode/directory"_s;
        QTest::newRow("missing file") << "gone.txt"_ba << QByteArray() << u"text/plain"_s;
        QTest::newRow("link to a character device") << "ttyUSB0"_ba
                                                    << "/dev/null"_ba << u"inode/chardevice"_s;
        QTest::newRow("link to a FIFO") << "fifo-link.txt"_ba
                                        << "a-fifo"_ba << u"inode/fifo"_s;
        QTest::newRow("dangling link") << "dangling.txt"_ba
                                       << "nowhere"_ba << u"inode/symlink"_s;
        QTest::newRow("link to a regular file") << "link.txt"_ba
                                                << "target"_ba << u"text/plain"_s;
    }
    void onlyRegularFilesAreOpened()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, linkTo);
        QFETCH(QString, mimeType);
        const QByteArray path = m_folder.pathOf(name);
        if (!linkTo.isEmpty())
            QCOMPARE(::symlink(linkTo.constData(), path.constData()), 0);
        const bool regular = linkTo == "target";
        QList<int> opened;
        const auto content
            = vantry::loadPreviewContent(path, panel, [&opened](const char *file, int flags) {
                  opened.append(flags & O_PATH);
                  return ::open(file, flags);
              });
        QCOMPARE(opened, (regular ? QList<int> { O_PATH, 0 } : QList<int>()));
        QCOMPARE(content->kind, regular ? Kind::text : Kind::other);
        QCOMPARE(content->mimeType, mimeType);
        QCOMPARE(content->isDirectory, mimeType == u"inode/directory"_s);
        QCOMPARE(content->isLink, !linkTo.isEmpty());
        QCOMPARE(content->linkTarget, QString::fromLatin1(linkTo));
        QCOMPARE(content->size, regular ? 12 : -1);
        struct stat st;
        QCOMPARE(content->modified.isValid(), ::stat(path.constData(), &st) == 0);
    }

    // Whatever size a file asks for, a preview holds a bounded number of pixels.
    void previewsStayInsideThePixelLimits_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<PreviewFit>("fit");
        // 3 x 14,400 pt is within the format's limits; at the panel's width such a page
        // alone would be 1.8 million pixels tall.
        QTest::newRow("tall page") << "tall.pdf"_ba << samples::pdf(1, QSizeF(3, 14400)) << panel;
        QTest::newRow("pages that fill the limits")
            << "full.pdf"_ba << samples::pdf(3, QSizeF(377, 16384)) << panel;
        QTest::newRow("picture without a box")
            << "large.png"_ba << samples::png(QSize(4000, 3000)) << PreviewFit {};
        QByteArray drawing = svg({});
        drawing.replace("'40'", "'4000'").replace("'30'", "'3000'");
        QTest::newRow("drawing in a huge box")
            << "large.svg"_ba << drawing << PreviewFit { QSize(100000, 100000), 0 };
    }
    void previewsStayInsideThePixelLimits()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(PreviewFit, fit);
        const auto content = vantry::loadPreviewContent(m_folder.write(name, bytes), fit);
        QVERIFY(content->kind == Kind::image || content->kind == Kind::pdf);
        QList<QImage> images = content->pages;
        images.append(content->image);
        for (const QImage &image : images) {
            QVERIFY(qint64(image.width()) * image.height() <= vantry::previewImagePixelLimit);
            QVERIFY(std::max(image.width(), image.height()) <= vantry::previewSideLimit);
            QVERIFY(content->pages.isEmpty() || image.width() <= fit.pageWidth);
        }
        QVERIFY(vantry::previewPixels(*content) <= vantry::previewPixelLimit);
    }

    // Only the latest request's result arrives, and later. Workers stuck on earlier ones
    // (reading from a hung network file system) hold up neither later requests nor quitting.
    void loaderDeliversOnlyTheLatestAndWaitsForNoStuckWorker()
    {
        const auto gate = std::make_shared<QSemaphore>();
        const auto entered = std::make_shared<QAtomicInt>();
        const auto left = std::make_shared<QAtomicInt>();
        auto loader = std::make_unique<vantry::PreviewLoader>(
            [gate, entered, left](const QByteArray &path, const PreviewFit &) {
                if (path.startsWith("stuck") && entered->ref() && gate->tryAcquire(1, 60000))
                    left->ref();
                auto content = std::make_shared<PreviewContent>();
                content->path = path;
                return content;
            });
        QSignalSpy spy(loader.get(), &vantry::PreviewLoader::loaded);
        const auto next = [&spy] {
            return spy.wait() && spy.count() == 1
                ? spy.takeFirst().at(0).value<std::shared_ptr<PreviewContent>>()->path
                : QByteArray();
        };
        loader->request("a", panel);
        QCOMPARE(next(), "a"_ba);

        loader->request("stuck 1", panel);
        QTRY_COMPARE(entered->loadRelaxed(), 1);
        loader->request("stuck 2", panel);
        QTRY_COMPARE(entered->loadRelaxed(), 2);
        loader->request("b", panel);
        QCOMPARE(next(), "b"_ba);
        gate->release();
        QTRY_COMPARE(left->loadRelaxed(), 1);
        loader->request("d", panel);
        QCOMPARE(next(), "d"_ba);

        // Destroyed while a worker still hangs, the loader does not wait for it; set free,
        // the worker drops its result.
        loader.reset();
        QCOMPARE(left->loadRelaxed(), 1);
        gate->release();
        QTRY_COMPARE(left->loadRelaxed(), 2);
    }
};

QTEST_MAIN(TestPreviewContent)
#include "tst_previewcontent.moc"
