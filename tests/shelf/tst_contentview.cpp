// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeFolderChooser.h"
#include "FakePreviewPresenter.h"
#include "ShelfTestFolder.h"
#include "core/FileNameText.h"
#include "core/UserDefaults.h"
#include "shelf/ContentView.h"
#include "shelf/SecurityScope.h"

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vantry;

namespace {

const QString bookmarkKey = u"user_selected_dir"_s;
constexpr int slash = -1; // an error column's value: the name holds a "/"

} // namespace

class TestContentView : public QObject
{
    Q_OBJECT

private:
    // Everything a shelf needs, faked where it would reach the desktop.
    struct Shelf
    {
        explicit Shelf(const QString &configFile = u"vantry.conf"_s)
            : defaults(configDir.filePath(configFile))
        { }
        QTemporaryDir configDir;
        UserDefaults defaults;
        SecurityScope scope;
        FakeFolderChooser chooser;
        FakePreviewPresenter preview;
        int beeps = 0;
        std::unique_ptr<ContentView> view = std::make_unique<ContentView>(
            defaults, scope, chooser, preview, [this] { ++beeps; }, [] { return nullptr; }, [] {});

        void choose(const QByteArray &path)
        {
            view->chooseFolder();
            chooser.choose(path);
        }
    };

private Q_SLOTS:
    // A chosen folder is stored, granted and listed, the selection left alone; a later
    // choice replaces it, or when cancelled or unusable leaves bookmark and listing.
    void choosingAFolderStoresAndListsIt_data()
    {
        QTest::addColumn<QByteArray>("relative"); // empty: cancelled
        QTest::addColumn<bool>("replaces");
        QTest::newRow("cancelled") << QByteArray() << false;
        QTest::newRow("a second folder") << QByteArray("caf\xe9") << true;
        QTest::newRow("a file") << QByteArray("file") << false;
        QTest::newRow("vanished") << QByteArray("gone") << false;
    }
    void choosingAFolderStoresAndListsIt()
    {
        QFETCH(QByteArray, relative);
        QFETCH(bool, replaces);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("file"));
        QVERIFY(folder.addFolder("caf\xe9"));
        Shelf shelf;
        shelf.view->setSelection({ "/kept" });
        shelf.choose(folder.path());
        QCOMPARE(shelf.view->selection(), QSet<QByteArray> { "/kept" });

        shelf.view->chooseFolder();
        if (relative.isEmpty())
            shelf.chooser.cancel();
        else
            shelf.chooser.choose(folder.pathOf(relative));
        const QByteArray shown = replaces ? folder.pathOf(relative) : folder.path();
        QCOMPARE(shelf.defaults.data(bookmarkKey), shown);
        QCOMPARE(shelf.view->inputDir(), fileNameText(shown));
        const QList<QByteArray> listed
            = replaces ? QList<QByteArray> {} : QList<QByteArray> { "caf\xe9", "file" };
        QCOMPARE(namesOf(shelf.view->displayItems()), listed);
        // A failed start lets the old grant go.
        if (relative.isEmpty() || replaces)
            QCOMPARE(shelf.scope.scopedPath(), shown);
        else
            QVERIFY(!shelf.scope.scopedPath());
        QVERIFY(!shelf.view->errorMessage());
    }

    // With no usable folder stored, appearing keeps what is shown, silently, and empties the
    // selection (listing the stored folder again is the shelf widget test's).
    void restoreKeepsTheShownFolderWhenTheStoredOneIsUnusable_data()
    {
        QTest::addColumn<QByteArray>("bookmark");
        QTest::newRow("deleted folder") << QByteArray("/nowhere/deleted");
        QTest::newRow("damaged data") << QByteArray("not a path");
    }
    void restoreKeepsTheShownFolderWhenTheStoredOneIsUnusable()
    {
        QFETCH(QByteArray, bookmark);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a"));
        Shelf shelf;
        shelf.choose(folder.path());
        shelf.defaults.setValue(bookmarkKey, bookmark);
        shelf.view->setSelection({ folder.pathOf("a") });
        shelf.scope.stop();
        shelf.view->restoreFolder();
        QVERIFY(shelf.view->selection().isEmpty());
        QCOMPARE(namesOf(shelf.view->items()), QList<QByteArray> { "a" });
        QCOMPARE(shelf.view->inputDir(), QFile::decodeName(folder.path()));
        QVERIFY(!shelf.scope.scopedPath());
        QVERIFY(!shelf.view->errorMessage());
        QCOMPARE(shelf.beeps, 0);
    }

    void aFolderChoiceThatCannotBeSavedIsToldInTheBannerOnce()
    {
        ShelfTestFolder folder;
        Shelf shelf(u"vantry/vantry.conf"_s);
        // A plain file where the settings folder should be: no user can save there.
        QFile blocker(shelf.configDir.filePath(u"vantry"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        shelf.choose(folder.path());
        QCOMPARE(shelf.view->folderPath(), folder.path()); // the shelf works on regardless
        QVERIFY(shelf.view->errorMessage());
        const QString reason = QString::fromLocal8Bit(::strerror(ENOTDIR));
        QVERIFY2(
            shelf.view->errorMessage()->contains(reason), qPrintable(*shelf.view->errorMessage()));
        QCOMPARE(shelf.beeps, 0);

        shelf.view->clearError();
        // Not the shelf's own setting: the shelf stays quiet about it.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        shelf.defaults.setValue(u"preview.side"_s, u"left"_s);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        shelf.choose(folder.path() + '/');
        QVERIFY2(!shelf.view->errorMessage(), "told once");
    }

    // Quitting while the folder dialog is open: the scene drops the view before the chooser.
    void aChooserAnsweringAfterTheViewIsGoneIsHarmless()
    {
        ShelfTestFolder folder;
        Shelf shelf;
        shelf.view->chooseFolder();
        shelf.view.reset();
        shelf.chooser.choose(folder.path());
        QVERIFY(!shelf.defaults.contains(bookmarkKey));
        QVERIFY(!shelf.scope.scopedPath());
    }

    // A typed name renames exactly that item, or closes the field when there is nothing
    // to do, or beeps, says why and keeps the field. Names that are not one entry fail
    // like an invalid argument and never move the item elsewhere.
    void commitRenameFollowsTheRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("renamedTo"); // empty: nothing renamed
        QTest::addColumn<int>("error");

        QTest::newRow("extension removed") << u" a "_s << QByteArray("a") << 0;
        QTest::newRow("case only") << u"A.TXT"_s << QByteArray("A.TXT") << 0;
        QTest::newRow("escapes read as shown") << u"\\xE9\\\\"_s << QByteArray("\xe9\\") << 0;
        QTest::newRow("empty") << QString() << QByteArray() << 0;
        QTest::newRow("unchanged") << u"  a.txt "_s << QByteArray() << 0;
        QTest::newRow("another item's name") << u"other"_s << QByteArray() << 0;
        QTest::newRow("a dangling link's name") << u"dangling"_s << QByteArray() << 0;
        QTest::newRow("into a subfolder") << u"sub/a.txt"_s << QByteArray() << slash;
        QTest::newRow("dot") << u"."_s << QByteArray() << EINVAL;
        QTest::newRow("dot dot") << u" .. "_s << QByteArray() << EINVAL;
        QTest::newRow("escaped slash") << u"a\\x2Fb"_s << QByteArray() << slash;
        QTest::newRow("removed by another program") << u"b.txt"_s << QByteArray() << ENOENT;
    }
    void commitRenameFollowsTheRules()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, renamedTo);
        QFETCH(int, error);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a.txt", "mine"));
        QVERIFY(folder.addFile("other", "theirs"));
        QVERIFY(folder.addLink("dangling", "nowhere"));
        QVERIFY(folder.addFolder("sub"));
        Shelf shelf;
        shelf.choose(folder.path());
        shelf.view->setSelection({ folder.pathOf("a.txt") });
        shelf.view->beginRename();
        QCOMPARE(shelf.view->editingUrl(), folder.pathOf("a.txt"));
        QVERIFY(folder.addFile("appeared later"));
        if (error == ENOENT)
            QCOMPARE(::unlink(folder.pathOf("a.txt").constData()), 0);

        shelf.view->setRenameText(typed);
        shelf.view->commitRename();
        QCOMPARE(folder.contentsOf("other"), QByteArray("theirs"));
        QCOMPARE(folder.entryCount(), error == ENOENT ? 4 : 5);
        QVERIFY(!folder.exists("sub/a.txt"));
        if (error != 0) {
            QCOMPARE(shelf.beeps, 1);
            QCOMPARE(shelf.view->errorMessage(),
                error == slash ? u"A name cannot contain \u201c/\u201d."_s
                               : QString::fromLocal8Bit(std::strerror(error)));
            // The appear action leaves the field and what was typed alone.
            shelf.view->restoreFolder();
            shelf.view->hidePreview();
            QCOMPARE(shelf.view->editingUrl(), folder.pathOf("a.txt"));
            QCOMPARE(shelf.view->renameText(), typed);
            shelf.view->cancelRename();
            QVERIFY(!shelf.view->editingUrl());
            QCOMPARE(shelf.view->renameText(), QString());
            return;
        }
        QVERIFY(!shelf.view->editingUrl());
        QCOMPARE(shelf.view->renameText(), QString());
        QVERIFY(!shelf.view->errorMessage());
        QCOMPARE(shelf.beeps, 0);
        if (renamedTo.isEmpty()) {
            QCOMPARE(folder.contentsOf("a.txt"), QByteArray("mine"));
            QCOMPARE(shelf.view->selection(), QSet<QByteArray> { folder.pathOf("a.txt") });
            QCOMPARE(shelf.view->items().size(), 4);
        } else {
            QVERIFY(!folder.exists("a.txt"));
            QCOMPARE(folder.contentsOf(renamedTo), QByteArray("mine"));
            QCOMPARE(shelf.view->selection(), QSet<QByteArray> { folder.pathOf(renamedTo) });
            // The whole folder was listed again.
            QVERIFY(shelf.view->itemAt(folder.pathOf(renamedTo)));
            QVERIFY(shelf.view->itemAt(folder.pathOf("appeared later")));
            QVERIFY(!shelf.view->itemAt(folder.pathOf("a.txt")));
            QCOMPARE(shelf.view->displayItems().size(), shelf.view->items().size());
        }
    }
};

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
