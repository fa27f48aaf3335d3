// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreviewSamples.h"

#include "preview/PreviewContentLoading.h"
#include "preview/PreviewLoader.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using vantry::PreviewContent;
using Kind = vantry::PreviewContent::Kind;

Q_DECLARE_METATYPE(vantry::PreviewContent::Kind)

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

    static std::shared_ptr<PreviewContent> load(const QByteArray &path)
    {
        return vantry::loadPreviewContent(path, QSize(380, 280));
    }

private Q_SLOTS:
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
        QTest::newRow("png") << QByteArray("picture.png") << samples::png(QSize(40, 30))
                             << Kind::image;
        QTest::newRow("png without extension")
            << QByteArray("picture") << samples::png(QSize(40, 30)) << Kind::image;
        QTest::newRow("animated gif")
            << QByteArray("moving.gif") << samples::animatedGif() << Kind::animatedImage;
        QTest::newRow("pdf") << QByteArray("paper.pdf") << samples::pdf(2) << Kind::pdf;
        QTest::newRow("text") << QByteArray("notes.txt") << QByteArray("hello\nworld\n")
                              << Kind::text;
        QTest::newRow("source") << QByteArray("main.cpp") << QByteArray("int main() {}\n")
                                << Kind::text;
        QTest::newRow("text without extension")
            << QByteArray("notes") << QByteArray("just some words\n") << Kind::text;
        QTest::newRow("binary") << QByteArray("blob.bin")
                                << QByteArray::fromHex("00ff10ee00aa5500010203") << Kind::other;
        QTest::newRow("binary without extension")
            << QByteArray("blob") << QByteArray::fromHex("7f454c46020101000000000000000000")
            << Kind::other;
        QTest::newRow("broken png")
            << QByteArray("broken.png") << QByteArray("\x89PNG\r\n\x1a\nnot really") << Kind::other;
        QTest::newRow("broken gif")
            << QByteArray("broken.gif") << QByteArray("GIF89a\x01") << Kind::other;
        QTest::newRow("broken pdf")
            << QByteArray("broken.pdf") << QByteArray("%PDF-1.4 nope") << Kind::other;
    }
    void kindFollowsTheType()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        const auto content = load(sample(name, bytes));
        QCOMPARE(content->kind, kind);
        QCOMPARE(content->size, bytes.size());
        QCOMPARE(content->displayName, QString::fromLatin1(name));
        QVERIFY(content->modified.isValid());
        QVERIFY(!content->mimeComment.isEmpty());
        switch (kind) {
        case Kind::image:
            QCOMPARE(content->image.size(), QSize(40, 30));
            break;
        case Kind::animatedImage:
            QVERIFY(content->movieFile && content->movieFile->isValid());
            break;
        case Kind::pdf:
            QCOMPARE(content->pageCount, 2);
            QCOMPARE(content->pages.size(), 2);
            QCOMPARE(content->pages.first().width(), 380);
            break;
        case Kind::text:
            QCOMPARE(content->text, QString::fromLatin1(bytes));
            QVERIFY(!content->truncated);
            break;
        case Kind::other:
            break;
        }
    }

    void largeImagesAreScaledWhileLoading()
    {
        const auto content = load(sample("large.png", samples::png(QSize(4000, 3000))));
        QCOMPARE(content->kind, Kind::image);
        QCOMPARE(content->image.size(), QSize(373, 280));
    }

    void pdfShowsOnlyTheFirstPages()
    {
        const auto content = load(sample("long.pdf", samples::pdf(vantry::previewPdfPages + 4)));
        QCOMPARE(content->kind, Kind::pdf);
        QCOMPARE(content->pageCount, vantry::previewPdfPages + 4);
        QCOMPARE(content->pages.size(), vantry::previewPdfPages);
    }

    void textStopsAtTheLimit_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("characters");
        QTest::addColumn<bool>("truncated");
        QTest::addColumn<bool>("latin1");
        const qsizetype limit = vantry::previewTextLimit;
        QTest::newRow("exactly the limit") << QByteArray(limit, 'a') << limit << false << false;
        QTest::newRow("one byte more") << QByteArray(limit + 1, 'a') << limit << true << false;
        QTest::newRow("much more") << QByteArray(3 * limit, 'b') << limit << true << false;
        // The limit falls inside the last two-byte character: still UTF-8, one fewer character.
        QByteArray split = "a";
        while (split.size() < limit + 10)
            split += "\xc3\xa9";
        QTest::newRow("limit inside a character") << split << (limit / 2) << true << false;
    }
    void textStopsAtTheLimit()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, characters);
        QFETCH(bool, truncated);
        QFETCH(bool, latin1);
        const auto content = load(sample("long.txt", bytes));
        QCOMPARE(content->kind, Kind::text);
        QCOMPARE(content->truncated, truncated);
        QCOMPARE(content->latin1, latin1);
        QCOMPARE(content->text.size(), characters);
    }

    void textDecoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("latin1");
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac") << u"café €"_s << false;
        QTest::newRow("latin-1") << QByteArray("caf\xe9 na\xefve") << u"café naïve"_s << true;
        QTest::newRow("utf-8 cut at the end of the file")
            << QByteArray("abc\xe2\x82") << u"abc\u00e2\u0082"_s << true;
    }
    void textDecoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, latin1);
        const auto content = load(sample("enc.txt", bytes));
        QCOMPARE(content->kind, Kind::text);
        QCOMPARE(content->text, text);
        QCOMPARE(content->latin1, latin1);
    }

    void nonUtf8NamesPreview_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("kind");
        QTest::newRow("text") << QByteArray("r\xe9sum\xe9.txt") << QByteArray("hi\n") << Kind::text;
        QTest::newRow("image") << QByteArray("\xff\xfe.png") << samples::png(QSize(8, 8))
                               << Kind::image;
    }
    void nonUtf8NamesPreview()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        const QByteArray path = sample(name, bytes);
        const auto content = load(path);
        QCOMPARE(content->kind, kind);
        QCOMPARE(content->path, path);
        QCOMPARE(content->size, bytes.size());
    }

    void foldersAndMissingFilesAreDescribed()
    {
        const QByteArray folder = at("Some folder");
        QVERIFY(QDir().mkpath(QFile::decodeName(folder)));
        auto content = load(folder);
        QCOMPARE(content->kind, Kind::other);
        QVERIFY(content->isDirectory);
        QCOMPARE(content->mimeType, u"inode/directory"_s);
        QCOMPARE(content->size, -1);

        content = load(at("gone.txt"));
        QCOMPARE(content->kind, Kind::other);
        QVERIFY(!content->modified.isValid());
    }

    void fifoDoesNotBlock()
    {
        const QByteArray fifo = at("pipe.txt");
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        const auto content = load(fifo);
        QCOMPARE(content->kind, Kind::other);
        QCOMPARE(content->size, -1);
    }

    // Devices, FIFOs and links to them are described from their status and never opened:
    // opening a serial port alone resets the board behind it.
    void onlyRegularFilesAreOpened_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("linkTo"); // empty: no link, name is the path
        QTest::addColumn<QString>("mimeType");
        QTest::newRow("link to a character device")
            << QByteArray("ttyUSB0") << QByteArray("/dev/null") << u"inode/chardevice"_s;
        QTest::newRow("character device")
            << QByteArray("/dev/zero") << QByteArray() << u"inode/chardevice"_s;
        QTest::newRow("link to a FIFO")
            << QByteArray("fifo-link.txt") << QByteArray("a-fifo") << u"inode/fifo"_s;
        QTest::newRow("dangling link")
            << QByteArray("dangling.txt") << QByteArray("nowhere") << u"inode/symlink"_s;
    }
    void onlyRegularFilesAreOpened()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, linkTo);
        QFETCH(QString, mimeType);
        const QByteArray fifo = at("a-fifo");
        if (::access(fifo.constData(), F_OK) != 0)
            QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QByteArray path = name;
        if (!linkTo.isEmpty()) {
            path = at(name);
            ::unlink(path.constData());
            QCOMPARE(::symlink(linkTo.constData(), path.constData()), 0);
        }
        QList<QByteArray> opened;
        const auto content = vantry::loadPreviewContent(
            path, QSize(380, 280), [&opened](const char *file, int flags) {
                opened.append(file);
                return ::open(file, flags);
            });
        QCOMPARE(opened, QList<QByteArray>());
        QCOMPARE(content->kind, Kind::other);
        QCOMPARE(content->mimeType, mimeType);
        QVERIFY(!content->mimeComment.isEmpty());
        QCOMPARE(content->isLink, !linkTo.isEmpty());
        QCOMPARE(content->linkTarget, QString::fromLatin1(linkTo));
        QCOMPARE(content->size, -1);
    }

    // A link to a regular file previews the file, opened once through a path handle.
    void linksToRegularFilesShowTheFile()
    {
        const QByteArray target = sample("target.txt", "linked text\n");
        const QByteArray link = at("link.txt");
        ::unlink(link.constData());
        QCOMPARE(::symlink("target.txt", link.constData()), 0);
        QList<int> flags;
        const auto content = vantry::loadPreviewContent(
            link, QSize(380, 280), [&flags](const char *file, int how) {
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
            << QByteArray("\x01\x02\x03\x04\x05\x06 abc\x07\x08\x0e") << qint64(0);
        QTest::newRow("sparse zeros") << QByteArray() << (qint64(1) << 20);
        QTest::newRow("text, then a hole") << QByteArray("start\n") << (qint64(1) << 16);
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

    // An animation whose frames are over the decoder's limit shows the info page.
    void animationsOverTheSizeLimitShowTheInfoPage()
    {
        QByteArray gif = samples::animatedGif();
        gif.replace(6, 4, QByteArray::fromHex("ffffffff")); // a 65535 x 65535 screen
        const auto content = load(sample("huge.gif", gif));
        QCOMPARE(content->kind, Kind::other);
        QVERIFY(!content->movieFile);
    }

    void loaderDeliversLaterAndOnlyTheLatest()
    {
        // A gigabyte of text, sparse on disk after the first part: the request must not
        // wait for it.
        const QByteArray big = sample("huge.txt", QByteArray(vantry::previewTextLimit + 1, 'a'));
        QCOMPARE(::truncate(big.constData(), qint64(1) << 30), 0);
        const QByteArray small = sample("small.txt", "small\n");

        vantry::PreviewLoader loader;
        QSignalSpy spy(&loader, &vantry::PreviewLoader::loaded);
        loader.request(big, QSize(100, 100));
        QCOMPARE(spy.count(), 0);
        QCOMPARE(loader.pendingPath(), big);
        QVERIFY(spy.wait(20000));
        auto content = spy.takeFirst().at(0).value<std::shared_ptr<PreviewContent>>();
        QCOMPARE(content->path, big);
        QVERIFY(content->truncated);
        QCOMPARE(content->size, qint64(1) << 30);
        QVERIFY(loader.pendingPath().isEmpty());

        // Two requests in a row: only the second one's result arrives.
        loader.request(big, QSize(100, 100));
        loader.request(small, QSize(100, 100));
        QVERIFY(spy.wait(20000));
        content = spy.takeFirst().at(0).value<std::shared_ptr<PreviewContent>>();
        QCOMPARE(content->path, small);
        // Give a stale result every chance to show up, then make sure none did.
        loader.request(small, QSize(100, 100));
        QVERIFY(spy.wait(20000));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.takeFirst().at(0).value<std::shared_ptr<PreviewContent>>()->path, small);

        loader.request(big, QSize(100, 100));
        loader.cancel();
        QVERIFY(loader.pendingPath().isEmpty());
        loader.request(small, QSize(100, 100));
        QVERIFY(spy.wait(20000));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.takeFirst().at(0).value<std::shared_ptr<PreviewContent>>()->path, small);
    }
};

QTEST_MAIN(TestPreviewContent)
#include "tst_previewcontent.moc"
