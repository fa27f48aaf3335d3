// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestFolder.h"
#include "shelf/FileOperations.h"

#include <QMimeData>
#include <QSet>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vantry;

namespace {
QString describe(int errorNumber)
{
    return QString::fromLocal8Bit(std::strerror(errorNumber));
}
} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private:
    using Move = MoveResult (*)(const QByteArray &, const QByteArray &);
    static void addMoveColumns()
    {
        QTest::addColumn<bool>("viaLink");
        QTest::newRow("no-replace rename") << false;
        QTest::newRow("link fallback") << true;
    }
    static Move moveFunction(bool viaLink)
    {
        return viaLink ? moveByLinking : moveWithoutReplacing;
    }

private Q_SLOTS:
    void moveRenamesAFile_data() { addMoveColumns(); }
    void moveRenamesAFile()
    {
        QFETCH(bool, viaLink);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a.txt", "contents"));
        const MoveResult result = moveFunction(viaLink)(folder.pathOf("a.txt"), folder.pathOf("b"));
        QVERIFY2(bool(result), qPrintable(result.error.value_or(QString())));
        QVERIFY(!folder.exists("a.txt"));
        QCOMPARE(folder.contentsOf("b"), QByteArray("contents"));
    }

    void moveWorksOnNamesThatAreNotUtf8_data() { addMoveColumns(); }
    void moveWorksOnNamesThatAreNotUtf8()
    {
        QFETCH(bool, viaLink);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("caf\xe9", "latin-1"));
        QVERIFY(moveFunction(viaLink)(folder.pathOf("caf\xe9"), folder.pathOf("\xff.bin")));
        QCOMPARE(folder.contentsOf("\xff.bin"), QByteArray("latin-1"));
        QVERIFY(!folder.exists("caf\xe9"));
    }

    // The existence check before a move races with other programs: the move
    // itself must refuse whatever appeared at the target meanwhile.
    void moveNeverReplacesAnExistingTarget_data()
    {
        QTest::addColumn<bool>("viaLink");
        QTest::addColumn<bool>("sourceIsFolder");
        QTest::addColumn<QByteArray>("targetKind");
        for (bool viaLink : { false, true }) {
            const char *how = viaLink ? "link fallback" : "no-replace rename";
            QTest::addRow("%s: file onto file", how) << viaLink << false << QByteArray("file");
            QTest::addRow("%s: file onto link", how) << viaLink << false << QByteArray("link");
            QTest::addRow("%s: file onto dangling link", how)
                << viaLink << false << QByteArray("dangling");
        }
        QTest::newRow("folder onto empty folder") << false << true << QByteArray("folder");
        QTest::newRow("folder onto file") << false << true << QByteArray("file");
    }
    void moveNeverReplacesAnExistingTarget()
    {
        QFETCH(bool, viaLink);
        QFETCH(bool, sourceIsFolder);
        QFETCH(QByteArray, targetKind);
        ShelfTestFolder folder;
        QVERIFY(sourceIsFolder ? folder.addFolder("source") : folder.addFile("source", "mine"));
        QVERIFY(folder.addFile("other", "theirs"));
        if (targetKind == "file")
            QVERIFY(folder.addFile("target", "theirs"));
        else if (targetKind == "folder")
            QVERIFY(folder.addFolder("target"));
        else if (targetKind == "link")
            QVERIFY(folder.addLink("target", "other"));
        else
            QVERIFY(folder.addLink("target", "nowhere"));

        const MoveResult result
            = moveFunction(viaLink)(folder.pathOf("source"), folder.pathOf("target"));
        QVERIFY(!result);
        QCOMPARE(result.errorNumber, EEXIST);
        QCOMPARE(result.error, describe(EEXIST));
        QVERIFY(folder.exists("source"));
        if (!sourceIsFolder)
            QCOMPARE(folder.contentsOf("source"), QByteArray("mine"));
        if (targetKind == "file")
            QCOMPARE(folder.contentsOf("target"), QByteArray("theirs"));
        QCOMPARE(folder.contentsOf("other"), QByteArray("theirs"));
    }

    void linkFallbackRefusesFolders()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFolder("dir"));
        const MoveResult result = moveByLinking(folder.pathOf("dir"), folder.pathOf("moved"));
        QCOMPARE(result.errorNumber, EOPNOTSUPP);
        QCOMPARE(result.error, describe(EOPNOTSUPP));
        QVERIFY(folder.exists("dir"));
        QVERIFY(!folder.exists("moved"));
    }

    void moveOfAMissingItemCarriesTheSystemsDescription_data() { addMoveColumns(); }
    void moveOfAMissingItemCarriesTheSystemsDescription()
    {
        QFETCH(bool, viaLink);
        ShelfTestFolder folder;
        const MoveResult result = moveFunction(viaLink)(folder.pathOf("gone"), folder.pathOf("b"));
        QCOMPARE(result.errorNumber, ENOENT);
        QCOMPARE(result.error, describe(ENOENT));
    }

    void moveKeepsASymbolicLinkALink()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addLink("link", "nowhere"));
        QVERIFY(moveByLinking(folder.pathOf("link"), folder.pathOf("moved")));
        char target[64] = {};
        QCOMPARE(::readlink(folder.pathOf("moved").constData(), target, sizeof target - 1), 7);
        QCOMPARE(QByteArray(target), QByteArray("nowhere"));
    }

    void entryNamesMustBeOneComponent_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << QByteArray("b.txt") << true;
        QTest::newRow("dots inside") << QByteArray("..a..") << true;
        QTest::newRow("three dots") << QByteArray("...") << true;
        QTest::newRow("not utf-8") << QByteArray("\xff") << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("dot") << QByteArray(".") << false;
        QTest::newRow("dot dot") << QByteArray("..") << false;
        QTest::newRow("slash") << QByteArray("sub/b.txt") << false;
        QTest::newRow("leading slash") << QByteArray("/etc") << false;
        QTest::newRow("nul") << QByteArray("a\0b", 3) << false;
    }
    void entryNamesMustBeOneComponent()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, valid);
        QCOMPARE(isValidEntryName(name), valid);
    }

    void typedNamesAreTrimmedAtBothEndsOnly_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("spaces") << u" b.txt "_s << u"b.txt"_s;
        QTest::newRow("newlines and tabs") << u"\n\tb c\r\n"_s << u"b c"_s;
        QTest::newRow("no-break space") << u"\u00a0b\u00a0"_s << u"b"_s;
        QTest::newRow("only whitespace") << u" \n "_s << QString();
        QTest::newRow("inner spaces kept") << u"a  b"_s << u"a  b"_s;
    }
    void typedNamesAreTrimmedAtBothEndsOnly()
    {
        QFETCH(QString, typed);
        QFETCH(QString, trimmed);
        QCOMPARE(trimmedName(typed), trimmed);
    }

    void pathPartsAreTakenFromTheBytes()
    {
        QCOMPARE(parentPath("/a/b\xff"), QByteArray("/a"));
        QCOMPARE(parentPath("/a"), QByteArray("/"));
        QCOMPARE(lastComponent("/a/b\xff"), QByteArray("b\xff"));
        QCOMPARE(childPath("/a", "b"), QByteArray("/a/b"));
        QCOMPARE(childPath("/", "b"), QByteArray("/b"));
    }

    void itemUrlsKeepEveryByte_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("plain") << QByteArray("/tmp/a.txt") << QByteArray("file:///tmp/a.txt");
        QTest::newRow("reserved characters")
            << QByteArray("/tmp/a b#1?%.txt") << QByteArray("file:///tmp/a%20b%231%3F%25.txt");
        QTest::newRow("utf-8") << QByteArray("/tmp/caf\xc3\xa9")
                               << QByteArray("file:///tmp/caf%C3%A9");
        QTest::newRow("latin-1") << QByteArray("/tmp/caf\xe9") << QByteArray("file:///tmp/caf%E9");
        QTest::newRow("broken") << QByteArray("/tmp/\xff\xfe") << QByteArray("file:///tmp/%FF%FE");
    }
    void itemUrlsKeepEveryByte()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, encoded);
        const QUrl url = ShelfItem(path, false).url();
        QVERIFY(url.isLocalFile());
        QCOMPARE(url.toEncoded(), encoded);
        QCOMPARE(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()), path);
    }

    void itemsAreEqualByPathAlone()
    {
        const ShelfItem file("/a/b", false);
        const ShelfItem folder("/a/b", true);
        QCOMPARE(file, folder);
        QCOMPARE(qHash(file), qHash(folder));
        QCOMPARE(QSet<ShelfItem>({ file, folder }).size(), 1);
        QVERIFY(file != ShelfItem("/a/c", false));
        QCOMPARE(ShelfItem("/a/caf\xc3\xa9", false).displayName(), u"caf\u00e9"_s);
    }

    void dragDataCarriesTheExactPaths()
    {
        const std::unique_ptr<QMimeData> one(createDragData({ ShelfItem("/s/a b.txt", false) }));
        QCOMPARE(one->formats(), (QStringList { u"text/uri-list"_s, u"text/plain"_s }));
        QCOMPARE(one->data(u"text/uri-list"_s), QByteArray("file:///s/a%20b.txt\r\n"));
        QCOMPARE(one->data(u"text/plain"_s), QByteArray("/s/a b.txt"));
        QCOMPARE(one->urls(), (QList<QUrl> { QUrl::fromLocalFile(u"/s/a b.txt"_s) }));

        const std::unique_ptr<QMimeData> two(
            createDragData({ ShelfItem("/s/caf\xe9", false), ShelfItem("/s/dir", true) }));
        QCOMPARE(
            two->data(u"text/uri-list"_s), QByteArray("file:///s/caf%E9\r\nfile:///s/dir\r\n"));
        QCOMPARE(two->data(u"text/plain"_s), QByteArray("/s/caf\xe9\n/s/dir"));
    }
};

QTEST_GUILESS_MAIN(TestFileOperations)
#include "tst_fileoperations.moc"
