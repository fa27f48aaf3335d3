// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestFolder.h"
#include "platform/FileNameText.h"
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

// The real system calls on a file system that refuses the no-replace flag with
// renameError and, when linkError is set, hard links too; every call is logged.
struct RefusingFileSystem
{
    RefusingFileSystem(int renameError, int linkError)
    {
        const MoveSystemCalls &real = MoveSystemCalls::system();
        calls = real;
        calls.renameNoReplace = [this, renameError](const char *, const char *) {
            log += "renameNoReplace ";
            errno = renameError;
            return -1;
        };
        calls.link = [this, linkError, real](const char *from, const char *to) {
            log += "link ";
            if (linkError == 0)
                return real.link(from, to);
            errno = linkError;
            return -1;
        };
        calls.rename = [this, real](const char *from, const char *to) {
            log += "rename ";
            return real.rename(from, to);
        };
    }
    MoveSystemCalls calls;
    QByteArray log;
};
} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private:
    using Move = MoveResult (*)(const QByteArray &, const QByteArray &, const MoveSystemCalls &);
    static void addMoveColumns()
    {
        QTest::addColumn<bool>("viaLink");
        QTest::newRow("no-replace rename") << false;
        QTest::newRow("link fallback") << true;
    }
    static std::function<MoveResult(const QByteArray &, const QByteArray &)> moveFunction(
        bool viaLink)
    {
        const Move move = viaLink ? moveByLinking : moveWithoutReplacing;
        return [move](const QByteArray &from, const QByteArray &to) {
            return move(from, to, MoveSystemCalls::system());
        };
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

    // NFS and FUSE file systems refuse the flag in different words; files then move by a
    // hard link where one can be made, and everything else after checking the target.
    void refusedNoReplaceFallsBackStepByStep_data()
    {
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<int>("renameError");
        QTest::addColumn<int>("linkError");
        QTest::addColumn<QByteArray>("expectedCalls");
        QTest::newRow("file, EINVAL, links work")
            << false << EINVAL << 0 << QByteArray("renameNoReplace link ");
        QTest::newRow("file, EOPNOTSUPP, links refused with EPERM")
            << false << EOPNOTSUPP << EPERM << QByteArray("renameNoReplace link rename ");
        QTest::newRow("file, ENOSYS, links refused with ENOSYS")
            << false << ENOSYS << ENOSYS << QByteArray("renameNoReplace link rename ");
        QTest::newRow("folder, EINVAL")
            << true << EINVAL << 0 << QByteArray("renameNoReplace rename ");
        QTest::newRow("folder, EOPNOTSUPP")
            << true << EOPNOTSUPP << EPERM << QByteArray("renameNoReplace rename ");
    }
    void refusedNoReplaceFallsBackStepByStep()
    {
        QFETCH(bool, isFolder);
        QFETCH(int, renameError);
        QFETCH(int, linkError);
        QFETCH(QByteArray, expectedCalls);
        ShelfTestFolder folder;
        QVERIFY(isFolder ? folder.addFolder("a") : folder.addFile("a", "contents"));
        if (isFolder)
            QVERIFY(folder.addFile("a/inside", "kept"));

        RefusingFileSystem fs(renameError, linkError);
        const MoveResult moved
            = moveWithoutReplacing(folder.pathOf("a"), folder.pathOf("b"), fs.calls);
        QVERIFY2(bool(moved), qPrintable(moved.error.value_or(QString())));
        QCOMPARE(fs.log, expectedCalls);
        QVERIFY(!folder.exists("a"));
        QCOMPARE(folder.contentsOf(isFolder ? "b/inside" : "b"),
            QByteArray(isFolder ? "kept" : "contents"));

        // Every step of the chain still refuses to replace what is already there: an
        // empty folder or a file at the target, or a dangling link.
        for (const QByteArray &kind :
            { QByteArray("folder"), QByteArray("file"), QByteArray("link") }) {
            const QByteArray target = "taken-" + kind;
            QVERIFY(kind == "folder" ? folder.addFolder(target)
                    : kind == "file" ? folder.addFile(target, "theirs")
                                     : folder.addLink(target, "nowhere"));
            const MoveResult refused
                = moveWithoutReplacing(folder.pathOf("b"), folder.pathOf(target), fs.calls);
            QVERIFY(!refused);
            QCOMPARE(refused.errorNumber, EEXIST);
            QCOMPARE(refused.error, describe(EEXIST));
            QVERIFY(folder.exists("b"));
            QVERIFY(folder.exists(target));
        }
        QCOMPARE(folder.contentsOf("taken-file"), QByteArray("theirs"));
        QCOMPARE(folder.contentsOf(isFolder ? "b/inside" : "b"),
            QByteArray(isFolder ? "kept" : "contents"));
    }

    // Other failures of the no-replace rename are the answer, not a reason to try again.
    void otherMoveFailuresAreNotRetried()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a"));
        RefusingFileSystem fs(EACCES, 0);
        const MoveResult result
            = moveWithoutReplacing(folder.pathOf("a"), folder.pathOf("b"), fs.calls);
        QCOMPARE(result.errorNumber, EACCES);
        QCOMPARE(fs.log, QByteArray("renameNoReplace "));
        QVERIFY(folder.exists("a"));
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

    // Names show every byte: what is not UTF-8, and control characters, as escapes.
    void namesShowEveryByteDistinctly()
    {
        QCOMPARE(fileNameText("caf\xc3\xa9.txt"), u"caf\u00e9.txt"_s);
        QCOMPARE(fileNameText("caf\xe9.txt"), u"caf\\xE9.txt"_s);
        QCOMPARE(fileNameText("a\nb\x7f"), u"a\\x0Ab\\x7F"_s);
        QCOMPARE(fileNameText(" a "), u" a "_s);
        // Overlong forms, encoded surrogates, cut sequences: one escape per byte.
        QCOMPARE(
            fileNameText("\xc0\xaf\xed\xa0\x80\xe2\x82"), u"\\xC0\\xAF\\xED\\xA0\\x80\\xE2\\x82"_s);
        QCOMPARE(fileNameText("\xf0\x9f\x99\x82"), u"\U0001F642"_s);
        // Names differing in undecodable bytes alone never look alike.
        const QList<QByteArray> alike { "caf\xe9", "caf\xe8", "caf\xef\xbf\xbd", "caf\xc3\xa9" };
        QSet<QString> shown;
        for (const QByteArray &name : alike)
            shown.insert(ShelfItem("/s/" + name, false).displayName());
        QCOMPARE(shown.size(), alike.size());
    }

    void editedNamesKeepTheBytesLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("original");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("unchanged, not utf-8")
            << QByteArray("caf\xe9.txt") << u"caf\\xE9.txt"_s << QByteArray("caf\xe9.txt");
        QTest::newRow("extension edited")
            << QByteArray("caf\xe9.txt") << u"caf\\xE9.md"_s << QByteArray("caf\xe9.md");
        QTest::newRow("start edited") << QByteArray("\xff-caf\xe9.txt") << u"\\xFF+caf\\xE9.txt"_s
                                      << QByteArray("\xff+caf\xe9.txt");
        QTest::newRow("escape text typed is text")
            << QByteArray("a.txt") << u"\\xE9.txt"_s << QByteArray("\\xE9.txt");
        QTest::newRow("escape broken by an edit")
            << QByteArray("\xe9") << u"\\xE"_s << QByteArray("\\xE");
        QTest::newRow("all replaced")
            << QByteArray("\xff\xfe") << u"fixed"_s << QByteArray("fixed");
        QTest::newRow("typed spaces dropped")
            << QByteArray("a.txt") << u" b.txt \n"_s << QByteArray("b.txt");
        QTest::newRow("newlines and tabs")
            << QByteArray("a") << u"\n\tb c\r\n"_s << QByteArray("b c");
        QTest::newRow("no-break space") << QByteArray("a") << u"\u00a0b\u00a0"_s << QByteArray("b");
        QTest::newRow("inner spaces kept") << QByteArray("a") << u"a  b"_s << QByteArray("a  b");
        QTest::newRow("only whitespace") << QByteArray("a") << u" \n "_s << QByteArray();
        QTest::newRow("the name's own spaces stay")
            << QByteArray(" a.txt\n") << u" a.md\\x0A"_s << QByteArray(" a.md\n");
        QTest::newRow("utf-8 typed")
            << QByteArray("a") << u"\u00e9\U0001F642"_s << QByteArray("\xc3\xa9\xf0\x9f\x99\x82");
    }
    void editedNamesKeepTheBytesLeftAlone()
    {
        QFETCH(QByteArray, original);
        QFETCH(QString, edited);
        QFETCH(QByteArray, result);
        QCOMPARE(fileNameFromEdit(original, edited), result);
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
