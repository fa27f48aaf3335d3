// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreviewSamples.h"

#include "platform/FileNameText.h"
#include "preview/PreviewContentLoading.h"
#include "preview/PreviewDecoding.h"
#include "preview/PreviewLoader.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
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

QByteArray svg(const QByteArray &inside, const QByteArray &before = {})
{
    return before
        + "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'"
          " width='40' height='30'><rect width='40' height='30' fill='red'/>"
        + inside + "</svg>";
}

QByteArray svgImage(const QByteArray &href, const QByteArray &before = {})
{
    return svg("<image width='20' height='20' xlink:href='" + href + "'/>", before);
}

// A loader whose loads describe the path only; paths starting "stuck" hang until gate
// opens, as a read from a hung network file system does.
std::unique_ptr<vantry::PreviewLoader> fakeLoader(
    std::shared_ptr<QSemaphore> gate, std::shared_ptr<QAtomicInt> unstuck = {})
{
    return std::make_unique<vantry::PreviewLoader>(
        [gate, unstuck](const QByteArray &path, const PreviewFit &) {
            if (path.startsWith("stuck")) {
                gate->tryAcquire(1, 60000);
                if (unstuck)
                    unstuck->ref();
            }
            auto content = std::make_shared<PreviewContent>();
            content->path = path;
            return content;
        });
}

QByteArray takePath(QSignalSpy &spy)
{
    return spy.takeFirst().at(0).value<std::shared_ptr<PreviewContent>>()->path;
}

} // namespace

class TestPreviewContent : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray at(const QByteArray &name) const
    {
        return QFile::encodeName(m_dir.path()) + '/' + name;
    }

    QByteArray sample(const QByteArray &name, const QByteArray &bytes) const
    {
        const QByteArray path = at(name);
        if (!samples::writeBytes(path, bytes))
            qFatal("cannot write a sample file");
        return path;
    }

    static std::shared_ptr<PreviewContent> load(
        const QByteArray &path, const PreviewFit &fit = panel)
    {
        return vantry::loadPreviewContent(path, fit);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(QFile::decodeName(at("Some folder"))));
        QCOMPARE(::mkfifo(at("a-fifo").constData(), 0600), 0);
    }

    void cleanupTestCase()
    {
        // QTemporaryDir removes by decoded names and cannot reach these.
        for (const char *name : { "r\xe9sum\xe9.txt", "\xff\xfe.png" })
            ::unlink(at(name).constData());
    }

    void kindFollowsTheType_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QSize>("shape"); // image: its size; pdf: pages in all, pages shown
        const QByteArray png = samples::png(QSize(40, 30));
        QTest::newRow("png") << "picture.png"_ba << png << Kind::image << QSize(40, 30);
        QTest::newRow("png without extension")
            << "picture"_ba << png << Kind::image << QSize(40, 30);
        QTest::newRow("png, non-UTF-8 name")
            << "\xff\xfe.png"_ba << png << Kind::image << QSize(40, 30);
        QTest::newRow("large png, scaled while loading")
            << "large.png"_ba << samples::png(QSize(4000, 3000)) << Kind::image << QSize(373, 280);
        QTest::newRow("animated gif")
            << "moving.gif"_ba << samples::animatedGif() << Kind::animatedImage << QSize();
        QByteArray huge = samples::animatedGif();
        huge.replace(6, 4, QByteArray::fromHex("ffffffff")); // a 65535 x 65535 screen
        QTest::newRow("animation over the decoder's limit")
            << "huge.gif"_ba << huge << Kind::other << QSize();
        QTest::newRow("pdf") << "paper.pdf"_ba << samples::pdf(2) << Kind::pdf << QSize(2, 2);
        QTest::newRow("pdf, only the first pages")
            << "long.pdf"_ba << samples::pdf(7) << Kind::pdf << QSize(7, vantry::previewPdfPages);
        QTest::newRow("text") << "notes.txt"_ba
                              << "hello\nworld\n"_ba << Kind::text << QSize();
        QTest::newRow("text, non-UTF-8 name") << "r\xe9sum\xe9.txt"_ba
                                              << "hi\n"_ba << Kind::text << QSize();
        QTest::newRow("source") << "main.cpp"_ba
                                << "int main() {}\n"_ba << Kind::text << QSize();
        QTest::newRow("text without extension") << "notes"_ba
                                                << "just some words\n"_ba << Kind::text << QSize();
        QTest::newRow("binary") << "blob.bin"_ba << QByteArray::fromHex("00ff10ee00aa5500010203")
                                << Kind::other << QSize();
        QTest::newRow("binary without extension")
            << "blob"_ba << QByteArray::fromHex("7f454c46020101000000000000000000") << Kind::other
            << QSize();
        QTest::newRow("broken png") << "broken.png"_ba
                                    << "\x89PNG\r\n\x1a\nnot really"_ba << Kind::other << QSize();
        QTest::newRow("broken gif") << "broken.gif"_ba
                                    << "GIF89a\x01"_ba << Kind::other << QSize();
        QTest::newRow("broken pdf") << "broken.pdf"_ba
                                    << "%PDF-1.4 nope"_ba << Kind::other << QSize();
    }
    void kindFollowsTheType()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        QFETCH(QSize, shape);
        const QByteArray path = sample(name, bytes);
        const auto content = load(path);
        QCOMPARE(content->kind, kind);
        QCOMPARE(content->path, path);
        QCOMPARE(content->size, bytes.size());
        QCOMPARE(content->displayName, vantry::fileNameText(name));
        QVERIFY(content->modified.isValid());
        QVERIFY(!content->mimeComment.isEmpty());
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
        QTest::newRow("utf-8") << "caf\xc3\xa9 \xe2\x82\xac"_ba << u"café €"_s << false << false;
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
        const auto content = load(sample("enc.txt", bytes));
        QCOMPARE(content->kind, Kind::text);
        QCOMPARE(content->text, text);
        QCOMPARE(content->truncated, truncated);
        QCOMPARE(content->latin1, latin1);
    }

    // Folders, devices, FIFOs and links to them are described from their status and never
    // opened: opening a serial port alone resets the board behind it, a FIFO blocks.
    void onlyRegularFilesAreOpened_data()
    {
        QTest::addColumn<QByteArray>("name"); // in the sample folder unless absolute
        QTest::addColumn<QByteArray>("linkTo"); // empty: no link
        QTest::addColumn<QString>("mimeType");
        QTest::newRow("folder") << "Some folder"_ba << QByteArray() << u"inode/directory"_s;
        QTest::newRow("missing file") << "gone.txt"_ba << QByteArray() << u"text/plain"_s;
        QTest::newRow("FIFO") << "a-fifo"_ba << QByteArray() << u"inode/fifo"_s;
        QTest::newRow("character device")
            << "/dev/zero"_ba << QByteArray() << u"inode/chardevice"_s;
        QTest::newRow("link to a character device") << "ttyUSB0"_ba
                                                    << "/dev/null"_ba << u"inode/chardevice"_s;
        QTest::newRow("link to a FIFO") << "fifo-link.txt"_ba
                                        << "a-fifo"_ba << u"inode/fifo"_s;
        QTest::newRow("dangling link") << "dangling.txt"_ba
                                       << "nowhere"_ba << u"inode/symlink"_s;
    }
    void onlyRegularFilesAreOpened()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, linkTo);
        QFETCH(QString, mimeType);
        const QByteArray path = name.startsWith('/') ? name : at(name);
        if (!linkTo.isEmpty())
            QCOMPARE(::symlink(linkTo.constData(), path.constData()), 0);
        QList<QByteArray> opened;
        const auto content
            = vantry::loadPreviewContent(path, panel, [&opened](const char *file, int flags) {
                  opened.append(file);
                  return ::open(file, flags);
              });
        QCOMPARE(opened, QList<QByteArray>());
        QCOMPARE(content->kind, Kind::other);
        QCOMPARE(content->mimeType, mimeType);
        QVERIFY(!content->mimeComment.isEmpty());
        QCOMPARE(content->isDirectory, mimeType == u"inode/directory"_s);
        QCOMPARE(content->isLink, !linkTo.isEmpty());
        QCOMPARE(content->linkTarget, QString::fromLatin1(linkTo));
        QCOMPARE(content->size, -1);
        struct stat st;
        QCOMPARE(content->modified.isValid(), ::stat(path.constData(), &st) == 0);
    }

    // A link to a regular file previews the file, opened once through a path handle.
    void linksToRegularFilesShowTheFile()
    {
        sample("target.txt", "linked text\n");
        const QByteArray link = at("link.txt");
        QCOMPARE(::symlink("target.txt", link.constData()), 0);
        QList<int> flags;
        const auto content
            = vantry::loadPreviewContent(link, panel, [&flags](const char *file, int how) {
                  flags.append(how);
                  return ::open(file, how);
              });
        QCOMPARE(content->kind, Kind::text);
        QCOMPARE(content->text, u"linked text\n"_s);
        QVERIFY(content->isLink);
        QCOMPARE(flags.size(), 2);
        QVERIFY(flags.at(0) & O_PATH);
        QVERIFY(!(flags.at(1) & O_PATH));
    }

    // What is named like text but is not shows as a file of its own kind.
    void binaryNamedAsTextShowsTheInfoPage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("sparseSize");
        QTest::newRow("binary .txt")
            << QByteArray::fromHex("7f454c460201010000000000000000000300") << qint64(0);
        QTest::newRow("control characters")
            << "\x01\x02\x03\x04\x05\x06 abc\x07\x08\x0e"_ba << qint64(0);
        QTest::newRow("sparse zeros") << QByteArray() << (qint64(1) << 20);
        QTest::newRow("text, then a hole") << "start\n"_ba << (qint64(1) << 16);
    }
    void binaryNamedAsTextShowsTheInfoPage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, sparseSize);
        const QByteArray path = sample("notes.txt", bytes);
        if (sparseSize > 0)
            QCOMPARE(::truncate(path.constData(), sparseSize), 0);
        const auto content = load(path);
        QCOMPARE(content->kind, Kind::other);
        QCOMPARE(content->mimeType, u"application/octet-stream"_s);
        QVERIFY(content->text.isEmpty());
    }

    // Whatever the file asks for, a preview holds a bounded number of pixels.
    void previewsStayInsideThePixelLimits_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<PreviewFit>("fit");
        // 3 x 14,400 pt is within the format's limits; at the panel's width such a page
        // alone would be 1.8 million pixels tall.
        QTest::newRow("tall page") << "tall.pdf"_ba << samples::pdf(1, QSizeF(3, 14400)) << panel;
        QTest::newRow("wide page") << "wide.pdf"_ba << samples::pdf(1, QSizeF(14400, 3)) << panel;
        QTest::newRow("pages filling the limits")
            << "full.pdf"_ba << samples::pdf(3, QSizeF(1000, 2100)) << PreviewFit { {}, 2000 };
        const QByteArray png = samples::png(QSize(4000, 3000));
        QTest::newRow("picture without a box") << "large.png"_ba << png << PreviewFit {};
        QTest::newRow("picture in a huge box")
            << "large.png"_ba << png << PreviewFit { QSize(100000, 100000), 0 };
        QTest::newRow("drawing in a huge box")
            << "large.svg"_ba << svg({}).replace("'40'", "'4000'").replace("'30'", "'3000'")
            << PreviewFit { QSize(100000, 100000), 0 };
    }
    void previewsStayInsideThePixelLimits()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(PreviewFit, fit);
        const auto content = load(sample(name, bytes), fit);
        QVERIFY(content->kind == Kind::image || content->kind == Kind::pdf);
        QList<QImage> images = content->pages;
        images.append(content->image);
        for (const QImage &image : images) {
            QVERIFY(qint64(image.width()) * image.height() <= vantry::previewImagePixelLimit);
            QVERIFY(std::max(image.width(), image.height()) <= vantry::previewSideLimit);
        }
        for (const QImage &page : content->pages)
            QVERIFY(page.width() <= fit.pageWidth);
        QVERIFY(vantry::previewPixels(*content) <= vantry::previewPixelLimit);
    }

    // The SVG renderer opens whatever an image names, a FIFO too, and blocks in it: an SVG
    // shows only when it draws from nothing but itself.
    void svgDrawsOnlyFromItself_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("kind");
        const QByteArray inlined = "data:image/png;base64," + samples::png(QSize(8, 8)).toBase64();
        const QByteArray file = sample("red.png", samples::png(QSize(8, 8), Qt::red));
        QByteArray escaped;
        for (const char c : file)
            escaped += "&#" + QByteArray::number(int(c)) + ';';
        QTest::newRow("inline picture") << "inline.svg"_ba << svgImage(inlined) << Kind::image;
        QTest::newRow("compressed")
            << "inline.svgz"_ba << samples::gzip(svgImage(inlined)) << Kind::image;
        QTest::newRow("picture by path") << "path.svg"_ba << svgImage(file) << Kind::other;
        QTest::newRow("relative path") << "relative.svg"_ba << svgImage("red.png") << Kind::other;
        QTest::newRow("path in character references")
            << "refs.svg"_ba << svgImage(escaped) << Kind::other;
        QTest::newRow("path in an entity")
            << "entity.svg"_ba << svgImage("&p;", "<!DOCTYPE svg [<!ENTITY p '" + file + "'>]>")
            << Kind::other;
        QTest::newRow("external style sheet")
            << "sheet.svg"_ba << svg({}, "<?xml-stylesheet type='text/css' href='style.css'?>")
            << Kind::other;
        QTest::newRow("named as PNG") << "drawing.png"_ba << svgImage(file) << Kind::other;
        QTest::newRow("compressed, picture by path")
            << "path.svgz"_ba << samples::gzip(svgImage(file)) << Kind::other;
        QTest::newRow("compressed, unpacking past the limit")
            << "bomb.svgz"_ba
            << samples::gzip(svg("<!--" + QByteArray(vantry::previewSvgLimit, ' ') + "-->"))
            << Kind::other;
    }
    void svgDrawsOnlyFromItself()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        QCOMPARE(load(sample(name, bytes))->kind, kind);
    }

    void loaderDeliversLaterAndOnlyTheLatest()
    {
        const auto gate = std::make_shared<QSemaphore>();
        const auto loader = fakeLoader(gate);
        QSignalSpy spy(loader.get(), &vantry::PreviewLoader::loaded);
        loader->request("a", panel);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(loader->pendingPath(), "a"_ba);
        QVERIFY(spy.wait());
        QCOMPARE(takePath(spy), "a"_ba);
        QVERIFY(loader->pendingPath().isEmpty());

        // A request made stale by a later one, or cancelled, never arrives.
        loader->request("stuck", panel);
        loader->request("b", panel);
        QVERIFY(spy.wait());
        QCOMPARE(takePath(spy), "b"_ba);
        gate->release();
        loader->request("c", panel);
        loader->cancel();
        QVERIFY(loader->pendingPath().isEmpty());
        loader->request("d", panel);
        QVERIFY(spy.wait());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(takePath(spy), "d"_ba);
    }

    void stuckWorkersHoldUpNeitherLaterPreviewsNorQuitting()
    {
        const auto gate = std::make_shared<QSemaphore>();
        const auto unstuck = std::make_shared<QAtomicInt>();
        auto loader = fakeLoader(gate, unstuck);
        QSignalSpy spy(loader.get(), &vantry::PreviewLoader::loaded);
        loader->request("stuck 1", panel);
        loader->request("stuck 2", panel);
        loader->request("next", panel);
        QVERIFY(spy.wait());
        QCOMPARE(takePath(spy), "next"_ba);

        loader->request("stuck 3", panel);
        loader.reset();
        QCOMPARE(unstuck->loadRelaxed(), 0);
        // Set free after the loader is gone, the workers drop their results.
        gate->release(3);
        QTRY_COMPARE(unstuck->loadRelaxed(), 3);
    }
};

QTEST_MAIN(TestPreviewContent)
#include "tst_previewcontent.moc"
