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
        calls.makeFolder = [this, real](const char *path) {
            log += "makeFolder ";
            return real.makeFolder(path);
        };
        calls.createFile = [this, real](const char *path) {
            log += "createFile ";
            return real.createFile(path);
        };
        calls.rename = [this, real](const char *from, const char *to) {
            log += "rename ";
            if (beforeRename)
                beforeRename(to);
            return real.rename(from, to);
        };
    }
    MoveSystemCalls calls;
    QByteArray log;
    std::function<void(const char *to)> beforeRename; // another program at work
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
    void moveRenamesOnTheBytes_data() { addMoveColumns(); }
    void moveRenamesOnTheBytes()
    {
        QFETCH(bool, viaLink);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("caf\xe9", "latin-1"));
        const MoveResult result
            = moveFunction(viaLink)(folder.pathOf("caf\xe9"), folder.pathOf("\xff.bin"));
        QVERIFY2(bool(result), qPrintable(result.error.value_or(QString())));
        QCOMPARE(folder.contentsOf("\xff.bin"), QByteArray("latin-1"));
        QVERIFY(!folder.exists("caf\xe9"));
        const MoveResult missing = moveFunction(viaLink)(folder.pathOf("gone"), folder.pathOf("b"));
        QCOMPARE(missing.errorNumber, ENOENT);
        QCOMPARE(missing.error, describe(ENOENT));
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
            << false << EOPNOTSUPP << EPERM
            << QByteArray("renameNoReplace link createFile rename ");
        QTest::newRow("file, ENOSYS, links refused with ENOSYS")
            << false << ENOSYS << ENOSYS << QByteArray("renameNoReplace link createFile rename ");
        QTest::newRow("folder, EINVAL")
            << true << EINVAL << 0 << QByteArray("renameNoReplace makeFolder rename ");
        QTest::newRow("folder, EOPNOTSUPP")
            << true << EOPNOTSUPP << EPERM << QByteArray("renameNoReplace makeFolder rename ");
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

    // Where nothing atomic is offered, the target name is claimed before the move: a
    // folder another program makes there meanwhile cannot appear, so is never replaced.
    // A failed move leaves no placeholder behind.
    void theLastResortClaimsTheNameFirst_data()
    {
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<int>("renameError");
        QTest::newRow("folder") << true << 0;
        QTest::newRow("file") << false << 0;
        QTest::newRow("folder, move fails") << true << EXDEV;
        QTest::newRow("file, move fails") << false << EXDEV;
    }
    void theLastResortClaimsTheNameFirst()
    {
        QFETCH(bool, isFolder);
        QFETCH(int, renameError);
        ShelfTestFolder folder;
        QVERIFY(isFolder ? folder.addFolder("a") : folder.addFile("a", "mine"));
        RefusingFileSystem fs(EINVAL, EPERM);
        int intruder = 0;
        fs.beforeRename = [&](const char *to) { intruder = ::mkdir(to, 0755) == 0 ? 0 : errno; };
        if (renameError != 0) {
            fs.calls.rename = [&](const char *, const char *to) {
                fs.beforeRename(to);
                errno = renameError;
                return -1;
            };
        }
        const MoveResult moved
            = moveWithoutReplacing(folder.pathOf("a"), folder.pathOf("b"), fs.calls);
        QCOMPARE(intruder, EEXIST);
        QCOMPARE(moved.errorNumber, renameError);
        QCOMPARE(folder.exists("a"), renameError != 0);
        QCOMPARE(folder.exists("b"), renameError == 0);
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

    // Nothing in a name hides: what is not UTF-8, controls, characters that draw nothing
    // or reorder their neighbours, white space at the ends. The text reads back exactly.
    void namesShowEveryCharacter_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << "caf\xc3\xa9 \xf0\x9f\x99\x82"_ba << u"caf\u00e9 \U0001F642"_s;
        QTest::newRow("latin-1") << "caf\xe9.txt"_ba << u"caf\\xE9.txt"_s;
        QTest::newRow("controls") << "a\nb\x7f"_ba << u"a\\x0Ab\\x7F"_s;
        // Overlong forms, encoded surrogates, cut sequences: one escape per byte.
        QTest::newRow("broken sequences")
            << "\xc0\xaf\xed\xa0\x80\xe2\x82"_ba << u"\\xC0\\xAF\\xED\\xA0\\x80\\xE2\\x82"_s;
        QTest::newRow("backslash") << "a\\xFF\\"_ba << u"a\\\\xFF\\\\"_s;
        QTest::newRow("bidi override") << "report\xe2\x80\xae"
                                          "fdp.sh"_ba
                                       << u"report\\u{202E}fdp.sh"_s;
        QTest::newRow("isolate, mark") << "\xe2\x81\xa6"
                                          "a\xe2\x80\x8f\xe2\x81\xa9"_ba
                                       << u"\\u{2066}a\\u{200F}\\u{2069}"_s;
        QTest::newRow("zero width") << "zero\xe2\x80\x8bwidth"_ba << u"zero\\u{200B}width"_s;
        QTest::newRow("c1 control") << "a\xc2\x85"_ba << u"a\\u{0085}"_s;
        QTest::newRow("spaces at the ends") << " a b "_ba << u"\\x20a b\\x20"_s;
        QTest::newRow("no-break space at the end") << "a\xc2\xa0"_ba << u"a\\u{00A0}"_s;
        QTest::newRow("only a space") << " "_ba << u"\\x20"_s;
    }
    void namesShowEveryCharacter()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, text);
        QCOMPARE(fileNameText(name), text);
        QCOMPARE(fileNameFromText(text), name);
    }

    void typedTextBecomesUtf8_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("utf-8") << u"\u00e9\U0001F642"_s << "\xc3\xa9\xf0\x9f\x99\x82"_ba;
        QTest::newRow("a backslash alone") << u"a\\b\\"_s << "a\\b\\"_ba;
        QTest::newRow("escapes as shown") << u"\\xe9\\u{E9}\\\\"_s << "\xe9\xc3\xa9\\"_ba;
        QTest::newRow("broken escapes")
            << u"\\xE.\\u{110000}\\u{D800}\\u{}"_s << "\\xE.\\u{110000}\\u{D800}\\u{}"_ba;
        QTest::newRow("typed white space dropped") << u" \t\u00a0b c\n"_s << "b c"_ba;
        QTest::newRow("only white space") << u" \n "_s << QByteArray();
    }
    void typedTextBecomesUtf8()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, name);
        QCOMPARE(fileNameFromText(typed), name);
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
        QCOMPARE(ShelfItem("/a/caf\xe9", false).displayName(), u"caf\\xE9"_s);
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
