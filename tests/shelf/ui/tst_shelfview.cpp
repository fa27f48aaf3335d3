// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestHost.h"

#include "shelf/ui/ShelfColors.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantry;
using namespace vantry::test;

namespace {

const QList<QByteArray> plainEntries { "alpha.txt", "beta.png", "docs/", "photo.jpeg" };

// Shows the shelf window and waits until it has the keyboard.
bool showShelf(ShelfTestHost &host)
{
    host.window().show();
    host.window().activateWindow();
    return QTest::qWaitForWindowActive(&host.window(), 30000)
        && QTest::qWaitFor([&] { return host.list()->hasFocus(); });
}

} // namespace

class ShelfViewTest : public QObject
{
    Q_OBJECT

private:
    // Every test starts with the shelf over plainEntries shown and focused.
    std::unique_ptr<ShelfTestHost> m_host;
    ShelfTestHost &host() { return *m_host; }

    int rowOf(const QByteArray &name) { return host().model()->rowOf(host().pathOf(name)); }

    void select(const QList<QByteArray> &names)
    {
        QSet<QByteArray> paths;
        for (const QByteArray &name : names)
            paths.insert(host().pathOf(name));
        host().content().setSelection(paths);
    }

    // Renames alpha.txt to a name longer than any file system allows.
    void failARename()
    {
        select({ "alpha.txt" });
        host().content().beginRename();
        host().content().setRenameText(QString(300, u'x'));
        host().content().commitRename();
    }

private Q_SLOTS:
    void init()
    {
        m_host = std::make_unique<ShelfTestHost>(plainEntries);
        QVERIFY(showShelf(host()));
    }
    void cleanup() { m_host.reset(); }

    // The folder is read again each time the window opens, with the list full or not.
    void appearingListsTheFolderWithFocusAndEmptySelection()
    {
        QCOMPARE(host().model()->rowCount(), plainEntries.size());
        QCOMPARE(host().folderField()->text(), QFile::decodeName(host().folder()));
        QVERIFY(!host().folderField()->isEnabled());

        host().window().hide();
        select({ "alpha.txt" });
        QVERIFY(host().files().addFile("added.txt"));
        host().window().show();
        QCOMPARE(host().model()->rowCount(), plainEntries.size() + 1);
        QVERIFY(rowOf("added.txt") >= 0);
        QVERIFY(host().content().selection().isEmpty());
        QVERIFY(host().list()->selectionModel()->selectedIndexes().isEmpty());
    }

    // With nothing selected a jump key selects; Shift extends, Ctrl+A takes all.
    void keysSelectAndShiftExtends()
    {
        QListView *list = host().list();
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(host().content().selection(), QSet<QByteArray> { host().pathOf("photo.jpeg") });
        QTest::keyClick(list, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(host().content().selection(),
            (QSet<QByteArray> { host().pathOf("photo.jpeg"), host().pathOf("docs") }));
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(host().content().selection().size(), plainEntries.size());
    }

    void spaceContinuesATypeAheadSearch()
    {
        m_host = std::make_unique<ShelfTestHost>(
            QList<QByteArray> { "file 1", "file 5", "file 50", "file5", "filed" });
        QVERIFY(showShelf(host()));
        const int interval = QApplication::keyboardInputInterval();
        QListView *list = host().list();
        // However slow the machine, the typing counts as one search.
        QApplication::setKeyboardInputInterval(60000);
        QTest::keyClicks(list, u"file 5"_s);
        QCOMPARE(host().content().selection(), QSet<QByteArray> { host().pathOf("file 5") });
        QVERIFY(host().preview().shown.isEmpty());

        // With no search under way, Space previews the row selected alone.
        QApplication::setKeyboardInputInterval(0);
        QTest::keyClick(list, Qt::Key_Space);
        QApplication::setKeyboardInputInterval(interval);
        QCOMPARE(host().preview().shown.size(), 1);
        QCOMPARE(host().preview().shown.constFirst().path, host().pathOf("file 5"));
    }

    void withoutAFolderThePlaceholderAndButtonsShow()
    {
        m_host = std::make_unique<ShelfTestHost>(QList<QByteArray> {});
        host().defaults().remove(u"user_selected_dir"_s);
        QVERIFY(showShelf(host()));
        QCOMPARE(host().folderField()->placeholderText(), u"Please select directory"_s);
        QVERIFY(host().folderField()->text().isEmpty());
        QCOMPARE(host().model()->rowCount(), 0);
        host().settingsButton()->click();
        QCOMPARE(host().settingsOpened(), 1);
        host().folderButton()->click();
        QCOMPARE(host().chooser().opened, 1);
    }

    // Only a row selected alone shows its buttons (Preview for a file only), previews on
    // Space and opens the rename field on Return.
    void rowActionsNeedASingleSelection_data()
    {
        QTest::addColumn<QList<QByteArray>>("selected");
        QTest::addColumn<bool>("single");
        QTest::addColumn<bool>("previewButton");
        QTest::newRow("none") << QList<QByteArray> {} << false << false;
        QTest::newRow("one file") << QList<QByteArray> { "beta.png" } << true << true;
        QTest::newRow("one folder") << QList<QByteArray> { "docs" } << true << false;
        QTest::newRow("two") << QList<QByteArray> { "alpha.txt", "beta.png" } << false << false;
    }
    void rowActionsNeedASingleSelection()
    {
        QFETCH(QList<QByteArray>, selected);
        QFETCH(bool, single);
        QFETCH(bool, previewButton);
        select(selected);

        ShelfListModel *model = host().model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const bool expected = single && row == rowOf(selected.constFirst());
            QCOMPARE(model->index(row).data(ShelfListModel::ShowsButtonsRole).toBool(), expected);
        }
        QCOMPARE(host().list()->selectionModel()->selectedIndexes().size(), selected.size());
        QTRY_COMPARE(host().renameButton()->isVisible(), single);
        QCOMPARE(host().previewButton()->isVisible(), previewButton);

        host().defaults().setValue(u"preview.side"_s, u"left"_s);
        QTest::keyClick(host().list(), Qt::Key_Space);
        QCOMPARE(host().preview().shown.size(), single ? 1 : 0);
        if (single) {
            // Beside the shelf window, on the stored side, at its fixed size.
            const FakePreviewPresenter::Shown &shown = host().preview().shown.constFirst();
            QCOMPARE(shown.path, host().pathOf(selected.constFirst()));
            QCOMPARE(shown.anchor, &host().window());
            QCOMPARE(shown.side, PreviewSide::left);
            QCOMPARE(QSize(shown.width, shown.height), QSize(380, 300));
        }
        QTest::keyClick(host().list(), Qt::Key_Return);
        QCOMPARE(host().content().editingUrl().has_value(), single);
        QCOMPARE(host().editView() != nullptr, single);
        QCOMPARE(host().content().selection().size(), selected.size());
        // Hiding the window hides the preview.
        host().window().hide();
        QCOMPARE(host().preview().hidden, 1);
    }

    // Return opens the field on the full name; Escape gives the tile back; the Rename
    // button opens it again; typing and Return rename and select the item.
    void theRenameFieldOpensCancelsAndRenames()
    {
        select({ "beta.png" });
        QTest::keyClick(host().list(), Qt::Key_Return);
        ShelfItemEditView *editor = host().editView();
        QVERIFY(editor);
        QCOMPARE(editor->text(), u"beta.png"_s);
        QCOMPARE(editor->field()->placeholderText(), u"New name"_s);
        QTRY_VERIFY(editor->field()->hasFocus());
        QVERIFY(!host().renameButton()->isVisible());
        QVERIFY(!(host().model()->index(rowOf("beta.png")).flags() & Qt::ItemIsDragEnabled));
        QTest::keyClicks(editor->field(), u"zzz"_s);
        QTest::keyClick(editor->field(), Qt::Key_Escape);
        QVERIFY(!host().content().editingUrl());
        QVERIFY(!host().editView());
        QTRY_VERIFY(host().list()->hasFocus());
        QTRY_VERIFY(host().renameButton()->isVisible());

        host().renameButton()->click();
        editor = host().editView();
        QVERIFY(editor);
        QTRY_VERIFY(editor->field()->hasFocus());
        editor->field()->selectAll();
        QTest::keyClicks(editor->field(), u"  gamma.png "_s);
        QTest::keyClick(editor->field(), Qt::Key_Return);
        QVERIFY(host().files().exists("gamma.png"));
        QVERIFY(!host().files().exists("beta.png"));
        QCOMPARE(host().content().selection(), QSet<QByteArray> { host().pathOf("gamma.png") });
        const QModelIndexList selected = host().list()->selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.constFirst().data().toString(), u"gamma.png"_s);
        QVERIFY(!host().editView());
        QTRY_VERIFY(host().list()->hasFocus());
        QCOMPARE(host().beeps(), 0);
    }

    // A failed rename beeps and shows the error in an alert at the bottom; Escape goes
    // to the field first, then to the banner; the close button or a timeout closes it.
    void aFailedRenameShowsTheBannerUntilClosed()
    {
        select({ "alpha.txt" });
        QTest::keyClick(host().list(), Qt::Key_Return);
        ShelfItemEditView *editor = host().editView();
        QVERIFY(editor);
        const QString tooLong(300, u'n');
        editor->field()->selectAll();
        QTest::keyClicks(editor->field(), tooLong);
        QTest::keyClick(editor->field(), Qt::Key_Return);

        QCOMPARE(host().beeps(), 1);
        QVERIFY(host().content().errorMessage());
        ErrorBannerView *banner = host().banner();
        QTRY_VERIFY(banner->isVisible());
        QCOMPARE(banner->message(), *host().content().errorMessage());
        QCOMPARE(banner->shownText(), banner->message());
        // A narrow banner grows to show the message on two lines.
        QVERIFY(banner->heightForWidth(600) < banner->heightForWidth(120));
        QCOMPARE(host().editView(), editor);
        QCOMPARE(editor->text(), tooLong);
        QTRY_VERIFY(host().view().rect().contains(banner->geometry()));
        QVERIFY(banner->geometry().bottom() > host().list()->geometry().bottom());
        // Showing it is what AT-SPI announces.
        QAccessibleInterface *alert = QAccessible::queryAccessibleInterface(banner);
        QCOMPARE(alert->role(), QAccessible::AlertMessage);
        QCOMPARE(alert->text(QAccessible::Name), *host().content().errorMessage());

        QTest::keyClick(editor->field(), Qt::Key_Escape);
        QVERIFY(!host().content().editingUrl());
        QVERIFY(host().content().errorMessage());
        QTRY_VERIFY(host().list()->hasFocus());
        QTest::keyClick(host().list(), Qt::Key_Escape);
        QVERIFY(!host().content().errorMessage());
        QTRY_VERIFY(!banner->isVisible());

        failARename();
        QTRY_VERIFY(banner->closeButton()->isVisible());
        banner->closeButton()->click();
        QVERIFY(!host().content().errorMessage());
        QTRY_VERIFY(!banner->isVisible());

        // Left alone, it closes itself after a while.
        host().view().setBannerAutoHideDelay(std::chrono::milliseconds(300));
        failARename();
        QTRY_VERIFY(banner->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!host().content().errorMessage(), 20000);
        QTRY_VERIFY(!banner->isVisible());
    }

    void accessibleNamesOfRowsButtonsAndFields()
    {
        select({ "beta.png" });
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(host().list());
        QVERIFY(list);
        QCOMPARE(list->text(QAccessible::Name), u"Items"_s);
        QAccessibleTableInterface *table = list->tableInterface();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), plainEntries.size());
        QStringList names;
        for (int row = 0; row < table->rowCount(); ++row) {
            QAccessibleInterface *cell = table->cellAt(row, 0);
            QVERIFY(cell);
            names.append(cell->text(QAccessible::Name));
            QCOMPARE(cell->state().selected, names.constLast() == u"beta.png"_s);
        }
        QCOMPARE(
            names, (QStringList { u"alpha.txt"_s, u"beta.png"_s, u"docs"_s, u"photo.jpeg"_s }));

        const auto nameOf = [](QWidget *widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        };
        for (QToolButton *button : { host().previewButton(), host().renameButton(),
                 host().settingsButton(), host().folderButton() })
            QCOMPARE(nameOf(button), button->toolTip());
        QCOMPARE(nameOf(host().previewButton()), u"Preview"_s);
        QCOMPARE(nameOf(host().renameButton()), u"Rename"_s);
        QCOMPARE(nameOf(host().folderField()), u"Folder"_s);
        QCOMPARE(nameOf(host().banner()->closeButton()), u"Close"_s);
        host().content().beginRename();
        QVERIFY(host().editView());
        QCOMPARE(nameOf(host().editView()->field()), u"New name"_s);
    }

    void namesAreLegibleInLightAndDarkPalettes_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("text");
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << QColor(239, 239, 239) << QColor(Qt::black) << false;
        QTest::newRow("dark") << QColor(53, 53, 53) << QColor(Qt::white) << true;
    }
    void namesAreLegibleInLightAndDarkPalettes()
    {
        QFETCH(QColor, window);
        QFETCH(QColor, text);
        QFETCH(bool, dark);
        QPalette palette;
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, text);
        QCOMPARE(ShelfColors::isDark(palette), dark);
        const QColor background = ShelfColors::effectiveListBackground(palette);
        const QColor name = ShelfColors::composite(ShelfColors::name(palette), background);
        QVERIFY2(ShelfColors::contrastRatio(name, background) >= 4.5,
            qPrintable(name.name() + u" on "_s + background.name()));
        if (dark)
            QCOMPARE(ShelfColors::name(palette), text);
    }
};

QTEST_MAIN(ShelfViewTest)
#include "tst_shelfview.moc"
