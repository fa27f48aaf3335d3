// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestFolder.h"
#include "core/FileNameText.h"
#include "shelf/FileOperations.h"

#include <QMimeData>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vantry;

namespace {

// The real system calls on a file system that from route 1 on refuses the no-replace
// rename (EINVAL, as older NFS does) and from route 2 on hard links too (EPERM).
struct FileSystem
{
    explicit FileSystem(int route)
    {
        const MoveSystemCalls &real = MoveSystemCalls::system();
        calls = real;
        calls.renameNoReplace = [route, real](const char *from, const char *to) {
            errno = EINVAL;
            return route >= 1 ? -1 : real.renameNoReplace(from, to);
        };
        calls.link = [route, real](const char *from, const char *to) {
            errno = EPERM;
            return route >= 2 ? -1 : real.link(from, to);
        };
        calls.rename = [this, real](const char *from, const char *to) {
            if (beforeRename)
                beforeRename(to);
            return real.rename(from, to);
        };
    }
    MoveSystemCalls calls;
    std::function<void(const char *to)> beforeRename; // another program at work
};

} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each route moves on the name's bytes, and none replaces what is at the target: a
    // file, an empty folder, a dangling link.
    void everyRouteMovesWithoutReplacing_data()
    {
        QTest::addColumn<int>("route");
        QTest::addColumn<bool>("isFolder");
        QTest::newRow("file, no-replace rename") << 0 << false;
        QTest::newRow("folder, no-replace rename") << 0 << true;
        QTest::newRow("file, hard link") << 1 << false;
        QTest::newRow("file, placeholder") << 2 << false;
        QTest::newRow("folder, placeholder") << 1 << true;
    }
    void everyRouteMovesWithoutReplacing()
    {
        QFETCH(int, route);
        QFETCH(bool, isFolder);
        ShelfTestFolder folder;
        QVERIFY(isFolder ? folder.addFolder("caf\xe9") : folder.addFile("caf\xe9", "mine"));
        QVERIFY(!isFolder || folder.addFile("caf\xe9/inside", "mine"));
        FileSystem fs(route);
        const MoveResult moved
            = moveWithoutReplacing(folder.pathOf("caf\xe9"), folder.pathOf("\xff.bin"), fs.calls);
        QVERIFY2(bool(moved), qPrintable(moved.error.value_or(QString())));
        QVERIFY(!folder.exists("caf\xe9"));
        const QByteArray moving = isFolder ? "\xff.bin/inside" : "\xff.bin";
        QCOMPARE(folder.contentsOf(moving), "mine"_ba);

        QVERIFY(folder.addFile("file", "theirs"));
        QVERIFY(folder.addFolder("folder"));
        QVERIFY(folder.addLink("dangling", "nowhere"));
        for (const QByteArray &target : { "file"_ba, "folder"_ba, "dangling"_ba }) {
            const MoveResult refused
                = moveWithoutReplacing(folder.pathOf("\xff.bin"), folder.pathOf(target), fs.calls);
            QCOMPARE(refused.errorNumber, EEXIST);
            QCOMPARE(refused.error, QString::fromLocal8Bit(std::strerror(EEXIST)));
        }
        QCOMPARE(folder.contentsOf(moving), "mine"_ba);
        QCOMPARE(folder.contentsOf("file"), "theirs"_ba);
        QVERIFY(folder.exists("folder") && folder.exists("dangling"));
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
        FileSystem fs(2);
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

    void moveKeepsASymbolicLinkALink()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addLink("link", "nowhere"));
        QVERIFY(moveByLinking(folder.pathOf("link"), folder.pathOf("moved")));
        char target[64] = {};
        QCOMPARE(::readlink(folder.pathOf("moved").constData(), target, sizeof target - 1), 7);
        QCOMPARE(QByteArray(target), QByteArray("nowhere"));
    }

    // Nothing in a name hides: what is not UTF-8, controls, characters that draw nothing
    // or reorder their neighbours, white space at the ends. The text reads back exactly, and
    // typed text that no name shows as reads as UTF-8 (shown: false).
    void namesShowEveryCharacter_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shown");
        QTest::newRow("utf-8") << "caf\xc3\xa9 \xf0\x9f\x99\x82"_ba << u"caf\u00e9 \U0001F642"_s
                               << true;
        QTest::newRow("latin-1") << "caf\xe9.txt"_ba << u"caf\\xE9.txt"_s << true;
        QTest::newRow("controls") << "a\nb\x7f"_ba << u"a\\x0Ab\\x7F"_s << true;
        // Overlong forms, encoded surrogates, cut sequences: one escape per byte.
        QTest::newRow("broken sequences") << "\xc0\xaf\xed\xa0\x80\xe2\x82"_ba
                                          << u"\\xC0\\xAF\\xED\\xA0\\x80\\xE2\\x82"_s << true;
        QTest::newRow("backslash") << "a\\xFF\\"_ba << u"a\\\\xFF\\\\"_s << true;
        QTest::newRow("bidi override") << "report\xe2\x80\xae"
                                          "fdp.sh"_ba
                                       << u"report\\u{202E}fdp.sh"_s << true;
        QTest::newRow("isolate, mark") << "\xe2\x81\xa6"
                                          "a\xe2\x80\x8f\xe2\x81\xa9"_ba
                                       << u"\\u{2066}a\\u{200F}\\u{2069}"_s << true;
        QTest::newRow("zero width")
            << "zero\xe2\x80\x8bwidth"_ba << u"zero\\u{200B}width"_s << true;
        QTest::newRow("c1 control") << "a\xc2\x85"_ba << u"a\\u{0085}"_s << true;
        QTest::newRow("spaces at the ends") << " a b "_ba << u"\\x20a b\\x20"_s << true;
        QTest::newRow("no-break space at the end") << "a\xc2\xa0"_ba << u"a\\u{00A0}"_s << true;
        QTest::newRow("only a space") << " "_ba << u"\\x20"_s << true;
        QTest::newRow("typed: a backslash alone") << "a\\b\\"_ba << u"a\\b\\"_s << false;
        QTest::newRow("typed: escapes as shown")
            << "\xe9\xc3\xa9\\"_ba << u"\\xe9\\u{E9}\\\\"_s << false;
        QTest::newRow("typed: broken escapes")
            << "\\xE.\\u{110000}\\u{D800}\\u{}"_ba << u"\\xE.\\u{110000}\\u{D800}\\u{}"_s << false;
        QTest::newRow("typed: white space dropped") << "b c"_ba << u" \t\u00a0b c\n"_s << false;
        QTest::newRow("typed: only white space") << QByteArray() << u" \n "_s << false;
    }
    void namesShowEveryCharacter()
    {
        QFETCH(QByteArray, name);
        QFETCH(QString, text);
        QFETCH(bool, shown);
        QCOMPARE(fileNameFromText(text), name);
        if (shown)
            QCOMPARE(fileNameText(name), text);
    }

    // What a drag carries; that it reaches another program is the end-to-end test's.
    void dragDataCarriesTheExactPaths()
    {
        const std::unique_ptr<QMimeData> data(
            createDragData({ ShelfItem("/s/caf\xe9", false), ShelfItem("/s/a b#?%", true) }));
        QCOMPARE(data->formats(), (QStringList { u"text/uri-list"_s, u"text/plain"_s }));
        QCOMPARE(
            data->data(u"text/uri-list"_s), "file:///s/caf%E9\r\nfile:///s/a%20b%23%3F%25\r\n"_ba);
        QCOMPARE(data->data(u"text/plain"_s), "/s/caf\xe9\n/s/a b#?%"_ba);
    }
};

QTEST_GUILESS_MAIN(TestFileOperations)
#include "tst_fileoperations.moc"
