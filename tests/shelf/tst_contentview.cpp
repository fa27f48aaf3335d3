// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeFolderChooser.h"
#include "FakePreviewPresenter.h"
#include "ShelfTestFolder.h"
#include "platform/UserDefaults.h"
#include "shelf/ContentView.h"
#include "shelf/SecurityScope.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vantry;

namespace {

const QString bookmarkKey = u"user_selected_dir"_s;

QList<QByteArray> namesOf(const QList<ShelfItem> &items)
{
    QList<QByteArray> names;
    for (const ShelfItem &item : items)
        names.append(item.fileName());
    return names;
}

} // namespace

class TestContentView : public QObject
{
    Q_OBJECT

private:
    // Everything a shelf needs, faked where it would reach the desktop.
    struct Shelf
    {
        QTemporaryDir configDir;
        UserDefaults defaults { configDir.filePath(u"vantry.conf"_s) };
        SecurityScope scope;
        FakeFolderChooser chooser;
        FakePreviewPresenter preview;
        int beeps = 0;
        int settingsOpened = 0;
        QWidget *keyWindow = nullptr;
        ContentView view { defaults, scope, chooser, preview, [this] { ++beeps; },
            [this] { return keyWindow; }, [this] { ++settingsOpened; } };

        void choose(const QByteArray &path)
        {
            view.chooseFolder();
            chooser.choose(path);
        }
        QByteArray storedBookmark() const { return defaults.data(bookmarkKey); }
    };

    // A shelf showing folder, with the item named name selected alone and being renamed.
    static void startRenaming(Shelf &shelf, const ShelfTestFolder &folder, const QByteArray &name)
    {
        shelf.choose(folder.path());
        shelf.view.setSelection({ folder.pathOf(name) });
        shelf.view.beginRename();
        QCOMPARE(shelf.view.editingUrl(), folder.pathOf(name));
    }

private Q_SLOTS:
    void firstLaunchShowsNothing()
    {
        Shelf shelf;
        shelf.view.setSelection({ "/x" });
        shelf.view.restoreFolder();
        QVERIFY(shelf.view.selection().isEmpty());
        QVERIFY(shelf.view.items().isEmpty());
        QCOMPARE(shelf.view.inputDir(), QString());
        QVERIFY(!shelf.scope.scopedPath());
        QVERIFY(!shelf.view.errorMessage());
        QCOMPARE(shelf.beeps, 0);
    }

    void choosingAFolderStoresListsAndShowsIt()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("file10"));
        QVERIFY(folder.addFile("file2"));
        QVERIFY(folder.addFolder("Zeta"));
        QVERIFY(folder.addFile(".hidden-dot"));
        Shelf shelf;
        shelf.view.setSelection({ "/kept" });
        QSignalSpy itemsChanged(&shelf.view, &ContentView::itemsChanged);

        shelf.view.chooseFolder();
        QCOMPARE(shelf.chooser.opened, 1);
        QVERIFY(shelf.view.items().isEmpty());
        shelf.chooser.choose(folder.path());

        QCOMPARE(itemsChanged.size(), 1);
        QCOMPARE(shelf.storedBookmark(), folder.path());
        QCOMPARE(shelf.scope.scopedPath(), folder.path());
        QCOMPARE(shelf.view.inputDir(), QFile::decodeName(folder.path()));
        QCOMPARE(shelf.view.items().size(), 3);
        QCOMPARE(
            namesOf(shelf.view.displayItems()), (QList<QByteArray> { "file2", "file10", "Zeta" }));
        QCOMPARE(shelf.view.selection(), QSet<QByteArray> { "/kept" });
    }

    void cancellingTheChooserChangesNothing()
    {
        ShelfTestFolder first;
        QVERIFY(first.addFile("a"));
        Shelf shelf;
        shelf.choose(first.path());
        shelf.view.chooseFolder();
        shelf.chooser.cancel();
        QCOMPARE(shelf.storedBookmark(), first.path());
        QCOMPARE(shelf.scope.scopedPath(), first.path());
        QCOMPARE(shelf.view.inputDir(), QFile::decodeName(first.path()));
        QCOMPARE(namesOf(shelf.view.items()), QList<QByteArray> { "a" });
    }

    void aSecondFolderReplacesTheGrantAndTheBookmark()
    {
        ShelfTestFolder first;
        ShelfTestFolder second;
        QVERIFY(second.addFile("b"));
        Shelf shelf;
        shelf.choose(first.path());
        shelf.choose(second.path());
        QCOMPARE(shelf.scope.scopedPath(), second.path());
        QCOMPARE(shelf.storedBookmark(), second.path());
        QCOMPARE(namesOf(shelf.view.items()), QList<QByteArray> { "b" });
    }

    void choosingAnUnusableFolderKeepsTheOldBookmark_data()
    {
        QTest::addColumn<QByteArray>("relative");
        QTest::newRow("a file") << QByteArray("file");
        QTest::newRow("vanished") << QByteArray("gone");
    }
    void choosingAnUnusableFolderKeepsTheOldBookmark()
    {
        QFETCH(QByteArray, relative);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("file"));
        Shelf shelf;
        shelf.choose(folder.path());
        shelf.choose(folder.pathOf(relative));
        QCOMPARE(shelf.storedBookmark(), folder.path());
        QCOMPARE(shelf.view.inputDir(), QFile::decodeName(folder.path()));
        QCOMPARE(namesOf(shelf.view.items()), QList<QByteArray> { "file" });
        QVERIFY(!shelf.scope.scopedPath()); // the failed start let the old grant go
        QVERIFY(!shelf.view.errorMessage());
    }

    void restoreListsTheStoredFolderAgainAndEmptiesTheSelection()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a"));
        Shelf shelf;
        shelf.defaults.setValue(bookmarkKey, folder.path());
        shelf.view.restoreFolder();
        QCOMPARE(namesOf(shelf.view.items()), QList<QByteArray> { "a" });
        QCOMPARE(shelf.view.inputDir(), QFile::decodeName(folder.path()));

        QVERIFY(folder.addFile("added elsewhere"));
        shelf.view.setSelection({ folder.pathOf("a") });
        shelf.view.restoreFolder();
        QVERIFY(shelf.view.selection().isEmpty());
        QCOMPARE(
            namesOf(shelf.view.displayItems()), (QList<QByteArray> { "a", "added elsewhere" }));
        QCOMPARE(shelf.scope.scopedPath(), folder.path());
    }

    void restoreFailsSilentlyAndKeepsWhatIsShown_data()
    {
        QTest::addColumn<QByteArray>("bookmark");
        QTest::newRow("deleted folder") << QByteArray("deleted");
        QTest::newRow("damaged data") << QByteArray("not a path");
    }
    void restoreFailsSilentlyAndKeepsWhatIsShown()
    {
        QFETCH(QByteArray, bookmark);
        ShelfTestFolder folder;
        ShelfTestFolder elsewhere;
        QVERIFY(folder.addFile("a"));
        QVERIFY(elsewhere.addFolder("deleted"));
        Shelf shelf;
        shelf.choose(folder.path());
        shelf.defaults.setValue(
            bookmarkKey, bookmark == "deleted" ? elsewhere.pathOf("deleted") : bookmark);
        QCOMPARE(::rmdir(elsewhere.pathOf("deleted").constData()), 0);

        shelf.view.restoreFolder();
        QCOMPARE(namesOf(shelf.view.items()), QList<QByteArray> { "a" });
        QCOMPARE(shelf.view.inputDir(), QFile::decodeName(folder.path()));
        QVERIFY(!shelf.view.errorMessage());
        QCOMPARE(shelf.beeps, 0);
    }

    void aFolderChoiceThatCannotBeSavedIsToldInTheBannerOnce()
    {
        ShelfTestFolder folder;
        QTemporaryDir configDir;
        // A plain file where the settings folder should be: no user can save there.
        QFile blocker(configDir.filePath(u"vantry"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        UserDefaults defaults(configDir.filePath(u"vantry/vantry.conf"_s));
        SecurityScope scope;
        FakeFolderChooser chooser;
        FakePreviewPresenter preview;
        int beeps = 0;
        ContentView view(
            defaults, scope, chooser, preview, [&] { ++beeps; }, [] { return nullptr; }, [] {});

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        view.chooseFolder();
        chooser.choose(folder.path());
        QCOMPARE(view.folderPath(), folder.path()); // the shelf works on regardless
        QVERIFY(view.errorMessage());
        const QString reason = QString::fromLocal8Bit(::strerror(ENOTDIR));
        QVERIFY2(view.errorMessage()->contains(reason), qPrintable(*view.errorMessage()));
        QCOMPARE(beeps, 0);

        view.clearError();
        // Not the shelf's own setting: the shelf stays quiet about it.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        defaults.setValue(u"preview.side"_s, u"left"_s);
        QVERIFY(!view.errorMessage());
        ShelfTestFolder other;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        view.chooseFolder();
        chooser.choose(other.path());
        QCOMPARE(view.folderPath(), other.path());
        QVERIFY2(!view.errorMessage(), "told once");
    }

    void aChooserAnsweringAfterTheViewIsGoneIsHarmless()
    {
        ShelfTestFolder folder;
        QTemporaryDir configDir;
        UserDefaults defaults(configDir.filePath(u"vantry.conf"_s));
        SecurityScope scope;
        FakeFolderChooser chooser;
        FakePreviewPresenter preview;
        auto view = std::make_unique<ContentView>(
            defaults, scope, chooser, preview, [] {}, [] { return nullptr; }, [] {});
        view->chooseFolder();
        view.reset();
        chooser.choose(folder.path());
        QVERIFY(!defaults.contains(bookmarkKey));
        QVERIFY(!scope.scopedPath());
    }

    void renameNeedsExactlyOneSelectedItem_data()
    {
        QTest::addColumn<QList<QByteArray>>("selected");
        QTest::addColumn<bool>("opens");
        QTest::newRow("none") << QList<QByteArray>() << false;
        QTest::newRow("one") << QList<QByteArray> { "photo.jpeg" } << true;
        QTest::newRow("two") << QList<QByteArray> { "photo.jpeg", "b" } << false;
    }
    void renameNeedsExactlyOneSelectedItem()
    {
        QFETCH(QList<QByteArray>, selected);
        QFETCH(bool, opens);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("photo.jpeg"));
        QVERIFY(folder.addFile("b"));
        Shelf shelf;
        shelf.choose(folder.path());
        QSet<QByteArray> paths;
        for (const QByteArray &name : selected)
            paths.insert(folder.pathOf(name));
        shelf.view.setSelection(paths);
        QCOMPARE(shelf.view.isMultiSelected(), selected.size() != 1);

        shelf.view.beginRename();
        QCOMPARE(shelf.view.editingUrl().has_value(), opens);
        QCOMPARE(shelf.view.renameText(), opens ? u"photo.jpeg"_s : QString());
    }

    void commitRenameFollowsTheRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("renamedTo"); // empty: nothing renamed, field closed

        QTest::newRow("surrounding spaces dropped") << u" b.txt \n"_s << QByteArray("b.txt");
        QTest::newRow("extension removed") << u"a"_s << QByteArray("a");
        QTest::newRow("case only") << u"A.TXT"_s << QByteArray("A.TXT");
        QTest::newRow("utf-8 name") << u"caf\u00e9"_s << QByteArray("caf\xc3\xa9");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("only whitespace") << u" \t\n"_s << QByteArray();
        QTest::newRow("unchanged") << u"a.txt"_s << QByteArray();
        QTest::newRow("unchanged with spaces") << u"  a.txt "_s << QByteArray();
        QTest::newRow("another item's name") << u"other"_s << QByteArray();
        QTest::newRow("a dangling link's name") << u"dangling"_s << QByteArray();
    }
    void commitRenameFollowsTheRules()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, renamedTo);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a.txt", "mine"));
        QVERIFY(folder.addFile("other", "theirs"));
        QVERIFY(folder.addLink("dangling", "nowhere"));
        Shelf shelf;
        startRenaming(shelf, folder, "a.txt");
        QVERIFY(folder.addFile("appeared later"));

        shelf.view.setRenameText(typed);
        shelf.view.commitRename();

        QVERIFY(!shelf.view.editingUrl());
        QCOMPARE(shelf.view.renameText(), QString());
        QVERIFY(!shelf.view.errorMessage());
        QCOMPARE(shelf.beeps, 0);
        QCOMPARE(folder.contentsOf("other"), QByteArray("theirs"));
        if (renamedTo.isEmpty()) {
            QCOMPARE(folder.contentsOf("a.txt"), QByteArray("mine"));
            QCOMPARE(shelf.view.selection(), QSet<QByteArray> { folder.pathOf("a.txt") });
            QCOMPARE(shelf.view.items().size(), 3);
        } else {
            QVERIFY(!folder.exists("a.txt"));
            QCOMPARE(folder.contentsOf(renamedTo), QByteArray("mine"));
            QCOMPARE(shelf.view.selection(), QSet<QByteArray> { folder.pathOf(renamedTo) });
            // The whole folder was listed again.
            QVERIFY(shelf.view.itemAt(folder.pathOf(renamedTo)));
            QVERIFY(shelf.view.itemAt(folder.pathOf("appeared later")));
            QVERIFY(!shelf.view.itemAt(folder.pathOf("a.txt")));
            QCOMPARE(shelf.view.displayItems().size(), shelf.view.items().size());
        }
    }

    void namesThatAreNotOneEntryFailAsInvalid_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("into a subfolder") << u"sub/a.txt"_s;
        QTest::newRow("absolute") << u"/tmp/a.txt"_s;
        QTest::newRow("dot") << u"."_s;
        QTest::newRow("dot dot") << u" .. "_s;
        QTest::newRow("nul") << QString(u"a\0b"_s);
    }
    void namesThatAreNotOneEntryFailAsInvalid()
    {
        QFETCH(QString, typed);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a.txt", "mine"));
        QVERIFY(folder.addFolder("sub"));
        Shelf shelf;
        startRenaming(shelf, folder, "a.txt");
        QSignalSpy errorChanged(&shelf.view, &ContentView::errorMessageChanged);

        shelf.view.setRenameText(typed);
        shelf.view.commitRename();

        QCOMPARE(shelf.beeps, 1);
        QCOMPARE(errorChanged.size(), 1);
        QCOMPARE(shelf.view.errorMessage(), QString::fromLocal8Bit(std::strerror(EINVAL)));
        QCOMPARE(shelf.view.editingUrl(), folder.pathOf("a.txt"));
        QCOMPARE(shelf.view.renameText(), typed);
        QCOMPARE(folder.contentsOf("a.txt"), QByteArray("mine"));
        QVERIFY(!folder.exists("sub/a.txt"));
    }

    void aFailedMoveBeepsShowsTheErrorAndKeepsTheField()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a.txt"));
        Shelf shelf;
        startRenaming(shelf, folder, "a.txt");
        QCOMPARE(::unlink(folder.pathOf("a.txt").constData()), 0); // removed by another program

        shelf.view.setRenameText(u"b.txt"_s);
        shelf.view.commitRename();
        QCOMPARE(shelf.beeps, 1);
        QCOMPARE(shelf.view.errorMessage(), QString::fromLocal8Bit(std::strerror(ENOENT)));
        QCOMPARE(shelf.view.editingUrl(), folder.pathOf("a.txt"));
        QCOMPARE(shelf.view.renameText(), u"b.txt"_s);

        // Return again fails again; the banner closes only when asked.
        shelf.view.commitRename();
        QCOMPARE(shelf.beeps, 2);
        shelf.view.clearError();
        QVERIFY(!shelf.view.errorMessage());
        QVERIFY(shelf.view.editingUrl());

        shelf.view.cancelRename();
        QVERIFY(!shelf.view.editingUrl());
        QCOMPARE(shelf.view.renameText(), QString());
    }

    void itemsThatAreNotUtf8AreRenamedOnTheirBytes()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("caf\xe9", "latin-1"));
        QVERIFY(folder.addFile("\xff\xfe", "broken"));
        Shelf shelf;
        startRenaming(shelf, folder, "caf\xe9");
        shelf.view.setRenameText(u"caf\u00e9.txt"_s);
        shelf.view.commitRename();
        QCOMPARE(folder.contentsOf("caf\xc3\xa9.txt"), QByteArray("latin-1"));
        QVERIFY(!folder.exists("caf\xe9"));

        shelf.view.setSelection({ folder.pathOf("\xff\xfe") });
        shelf.view.beginRename();
        shelf.view.setRenameText(u"fixed"_s);
        shelf.view.commitRename();
        QCOMPARE(folder.contentsOf("fixed"), QByteArray("broken"));
        QCOMPARE(shelf.view.selection(), QSet<QByteArray> { folder.pathOf("fixed") });
    }

    // Return on a name the user did not touch renames nothing, whatever the name's bytes.
    void untouchedNamesAreNeverRenamed_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("latin-1") << QByteArray("caf\xe9.txt");
        QTest::newRow("broken") << QByteArray("\xff\xfe");
        QTest::newRow("leading space") << QByteArray(" a.txt");
        QTest::newRow("trailing space") << QByteArray("a.txt ");
        QTest::newRow("trailing newline") << QByteArray("a.txt\n");
        QTest::newRow("tab, newline, not utf-8") << QByteArray("\ta\xff b\n");
    }
    void untouchedNamesAreNeverRenamed()
    {
        QFETCH(QByteArray, name);
        ShelfTestFolder folder;
        QVERIFY(folder.addFile(name, "mine"));
        Shelf shelf;
        startRenaming(shelf, folder, name);
        // As the field reports it, untouched or after an edit that was undone.
        shelf.view.setRenameText(shelf.view.renameText());
        shelf.view.commitRename();

        QVERIFY(!shelf.view.editingUrl());
        QCOMPARE(shelf.beeps, 0);
        QCOMPARE(folder.contentsOf(name), QByteArray("mine"));
        QCOMPARE(folder.entryNames(), QList<QByteArray> { name });
    }

    void editingTheExtensionKeepsTheOtherBytes()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("caf\xe9 \xff.txt", "mine"));
        QVERIFY(folder.addFile("caf\xe8 \xff.txt", "theirs"));
        Shelf shelf;
        startRenaming(shelf, folder, "caf\xe9 \xff.txt");
        QString text = shelf.view.renameText();
        QVERIFY(text.endsWith(u".txt"_s));
        text.chop(3);
        shelf.view.setRenameText(text + u"md"_s);
        shelf.view.commitRename();

        QCOMPARE(folder.contentsOf("caf\xe9 \xff.md"), QByteArray("mine"));
        QVERIFY(!folder.exists("caf\xe9 \xff.txt"));
        QCOMPARE(folder.contentsOf("caf\xe8 \xff.txt"), QByteArray("theirs"));
        QCOMPARE(shelf.view.selection(), QSet<QByteArray> { folder.pathOf("caf\xe9 \xff.md") });
    }

    void theAppearActionLeavesTheRenameAlone()
    {
        ShelfTestFolder folder;
        QVERIFY(folder.addFile("a.txt"));
        Shelf shelf;
        startRenaming(shelf, folder, "a.txt");
        shelf.view.setRenameText(u"typed"_s);
        shelf.view.restoreFolder();
        shelf.view.hidePreview();
        QCOMPARE(shelf.view.editingUrl(), folder.pathOf("a.txt"));
        QCOMPARE(shelf.view.renameText(), u"typed"_s);
    }

    void previewOpensBesideTheKeyWindowOnTheStoredSide_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<PreviewSide>("side");
        QTest::newRow("absent") << QVariant() << PreviewSide::right;
        QTest::newRow("left") << QVariant(u"left"_s) << PreviewSide::left;
        QTest::newRow("right") << QVariant(u"right"_s) << PreviewSide::right;
        QTest::newRow("anything else") << QVariant(u"Left"_s) << PreviewSide::right;
    }
    void previewOpensBesideTheKeyWindowOnTheStoredSide()
    {
        QFETCH(QVariant, stored);
        QFETCH(PreviewSide, side);
        Shelf shelf;
        if (stored.isValid())
            shelf.defaults.setValue(u"preview.side"_s, stored);
        QCOMPARE(shelf.view.sideRaw(), stored.isValid() ? stored.toString() : u"right"_s);

        shelf.view.showPreview("/shelf/a");
        QVERIFY(shelf.preview.shown.isEmpty()); // no key window: dropped

        QWidget window;
        shelf.keyWindow = &window;
        shelf.view.showPreview("/shelf/a");
        QCOMPARE(shelf.preview.shown.size(), 1);
        const FakePreviewPresenter::Shown &shown = shelf.preview.shown.first();
        QCOMPARE(shown.path, QByteArray("/shelf/a"));
        QCOMPARE(shown.anchor, &window);
        QCOMPARE(shown.side, side);
        QCOMPARE(shown.width, 380);
        QCOMPARE(shown.height, 300);

        shelf.view.hidePreview();
        QCOMPARE(shelf.preview.hidden, 1);
    }

    void sideChangesAreReported()
    {
        Shelf shelf;
        QSignalSpy changed(&shelf.view, &ContentView::sideRawChanged);
        shelf.defaults.setValue(u"preview.side"_s, u"left"_s);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(shelf.view.sideRaw(), u"left"_s);
        shelf.defaults.setValue(u"other"_s, u"x"_s);
        QCOMPARE(changed.size(), 1);
    }

    void openSettingsRunsTheInjectedAction()
    {
        Shelf shelf;
        shelf.view.openSettings();
        QCOMPARE(shelf.settingsOpened, 1);
    }
};

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
