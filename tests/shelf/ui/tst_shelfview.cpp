// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShelfTestHost.h"

#include "shelf/ui/ShelfColors.h"
#include "shelf/ui/ShelfItemDelegate.h"

#include <QAccessible>
#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStandardItemModel>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantry;
using namespace vantry::test;

namespace {

const QList<QByteArray> plainEntries { "alpha.txt", "beta.png", "docs/", "photo.jpeg" };

// Notes the area in which a widget's style was asked to draw each primitive.
class RecordingStyle final : public QProxyStyle
{
public:
    mutable QHash<PrimitiveElement, QRect> drawn;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget) const override
    {
        drawn[element] |= option->rect;
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

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
        QVERIFY(host().show());
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

    // With nothing selected a jump key selects, even Home on the first row (where the
    // current row does not move); Shift extends, Ctrl+A takes all.
    void keysSelectAndShiftExtends()
    {
        QListView *list = host().list();
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(host().content().selection(), QSet<QByteArray> { host().pathOf("alpha.txt") });
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(host().content().selection(),
            (QSet<QByteArray> { host().pathOf("alpha.txt"), host().pathOf("beta.png") }));
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(host().content().selection().size(), plainEntries.size());
    }

    void spaceContinuesATypeAheadSearch()
    {
        m_host = std::make_unique<ShelfTestHost>(
            QList<QByteArray> { "file 1", "file 5", "file 50", "file5", "filed" });
        QVERIFY(host().show());
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

    // The buttons are named as their tool tips say (the accessibility test reads the list,
    // its rows and the rename field, but never sees the row and banner buttons shown).
    void withoutAFolderThePlaceholderAndButtonsShow()
    {
        m_host = std::make_unique<ShelfTestHost>(QList<QByteArray> {});
        host().defaults().remove(u"user_selected_dir"_s);
        QVERIFY(host().show());
        QCOMPARE(host().folderField()->placeholderText(), u"Please select directory"_s);
        QVERIFY(host().folderField()->text().isEmpty());
        QCOMPARE(host().model()->rowCount(), 0);
        host().folderButton()->click();
        QCOMPARE(host().chooser().opened, 1);

        const auto nameOf = [](QWidget *widget) {
            return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
        };
        for (QToolButton *button : { host().previewButton(), host().renameButton(),
                 host().settingsButton(), host().folderButton() })
            QCOMPARE(nameOf(button), button->toolTip());
        QCOMPARE(nameOf(host().previewButton()), u"Preview"_s);
        QCOMPARE(nameOf(host().renameButton()), u"Rename"_s);
        QCOMPARE(nameOf(host().banner()->closeButton()), u"Close"_s);
    }

    // Only a row selected alone shows its buttons (Preview for a file only), previews on
    // Space and opens the rename field on Return.
    void rowActionsNeedASingleSelection_data()
    {
        QTest::addColumn<QList<QByteArray>>("selected");
        QTest::addColumn<bool>("single");
        QTest::addColumn<bool>("previewButton");
        QTest::addColumn<QString>("renameSelects"); // as file managers do: not the extension
        QTest::newRow("none") << QList<QByteArray> {} << false << false << QString();
        QTest::newRow("one file") << QList<QByteArray> { "beta.png" } << true << true << u"beta"_s;
        QTest::newRow("one folder") << QList<QByteArray> { "docs" } << true << false << u"docs"_s;
        QTest::newRow("two") << QList<QByteArray> { "alpha.txt", "beta.png" } << false << false
                             << QString();
    }
    void rowActionsNeedASingleSelection()
    {
        QFETCH(QList<QByteArray>, selected);
        QFETCH(bool, single);
        QFETCH(bool, previewButton);
        QFETCH(QString, renameSelects);
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
        if (single)
            QCOMPARE(host().editView()->field()->selectedText(), renameSelects);
        QCOMPARE(host().content().selection().size(), selected.size());
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
        QVERIFY(host().files().exists("gamma.png") && !host().files().exists("beta.png"));
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
        failARename();
        ShelfItemEditView *editor = host().editView();
        QVERIFY(editor);
        QCOMPARE(host().beeps(), 1);
        QVERIFY(host().content().errorMessage());
        ErrorBannerView *banner = host().banner();
        QTRY_VERIFY(banner->isVisible());
        QCOMPARE(banner->message(), *host().content().errorMessage());
        QCOMPARE(banner->shownText(), banner->message());
        // A narrow banner grows to show the message on two lines.
        QVERIFY(banner->heightForWidth(600) < banner->heightForWidth(120));
        QCOMPARE(host().editView(), editor);
        QCOMPARE(editor->text(), QString(300, u'x'));
        QTRY_COMPARE(
            qobject_cast<QGraphicsOpacityEffect *>(banner->graphicsEffect())->opacity(), 1.0);
        QVERIFY(host().view().rect().contains(banner->geometry()));
        // Below the list, clear of its scroll arrow, and opaque over the gear.
        QVERIFY(banner->geometry().top() > host().list()->geometry().bottom());
        const QPoint gear = host().settingsButton()->geometry().center() - banner->pos();
        QCOMPARE(banner->grab().toImage().pixelColor(gear).alpha(), 255);

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

    void bannerMessagesAreCutAfterTwoLines_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("ellipsis");
        QTest::newRow("short") << u"Permission denied"_s << 1 << false;
        QTest::newRow("two") << u"The file could not be moved today"_s << 2 << false;
        QTest::newRow("long") << QString(u"word "_s).repeated(80) << 2 << true;
        QTest::newRow("one long word") << QString(400, u'x') << 2 << true;
        QTest::newRow("newlines") << u"one\ntwo\nthree\nfour"_s << 2 << true;
    }

    void bannerMessagesAreCutAfterTwoLines()
    {
        QFETCH(QString, message);
        QFETCH(int, lines);
        QFETCH(bool, ellipsis);
        QFont font;
        const int width = QFontMetrics(font).horizontalAdvance(u"The file could not be"_s) + 8;
        const QString shown = ErrorBannerView::twoLines(message, font, width);
        const QStringList shownLines = shown.split(u'\n');
        QCOMPARE(shownLines.size(), lines);
        QCOMPARE(shown.endsWith(u'\u2026'), ellipsis);
        for (const QString &line : shownLines)
            QVERIFY(QFontMetrics(font).horizontalAdvance(line) <= width);
    }

    // The gear's menu arrow would sit on its symbol, and the style's focus mark cross it; it
    // stays a menu button. The list's current row shows the focus the style's way.
    void gearAndListShowTheFocusAsTheStyleDraws()
    {
        QMenu menu;
        host().view().setSettingsMenu(&menu);
        RecordingStyle style;
        QToolButton *gear = host().settingsButton();
        gear->setStyle(&style);
        host().list()->setStyle(&style);
        gear->setFocus(Qt::TabFocusReason);
        gear->grab();
        const QRect symbol
            = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, gear->iconSize(), gear->rect());
        QVERIFY(!style.drawn.value(QStyle::PE_IndicatorArrowDown).intersects(symbol));
        QVERIFY(style.drawn.value(QStyle::PE_FrameFocusRect).contains(symbol));
        QCOMPARE(QAccessible::queryAccessibleInterface(gear)->role(), QAccessible::ButtonMenu);

        style.drawn.clear();
        host().list()->setFocus(Qt::OtherFocusReason);
        host().list()->viewport()->grab();
        const QRect current = host().list()->visualRect(host().list()->currentIndex());
        QVERIFY(current.contains(style.drawn.value(QStyle::PE_FrameFocusRect)));
        gear->setStyle(nullptr);
        host().list()->setStyle(nullptr);
    }

    // A file icon keeps its colours on the selected row (the selected mode would fade it into
    // the highlight), and the name starts next to the icon in either direction.
    void rowsPaintFileIconsNormallyAndNamesBesideThem_data()
    {
        QTest::addColumn<Qt::LayoutDirection>("direction");
        QTest::newRow("left to right") << Qt::LeftToRight;
        QTest::newRow("right to left") << Qt::RightToLeft;
    }
    void rowsPaintFileIconsNormallyAndNamesBesideThem()
    {
        QFETCH(Qt::LayoutDirection, direction);
        QPixmap normal(20, 20), selected(20, 20);
        normal.fill(Qt::red);
        selected.fill(Qt::blue);
        QIcon icon(normal);
        icon.addPixmap(selected, QIcon::Selected);
        QStandardItemModel model;
        model.appendRow(new QStandardItem(icon, u"name"_s));
        QStyleOptionViewItem option;
        option.initFrom(host().list());
        option.rect = QRect(0, 0, 300, 40);
        option.direction = direction;
        option.state = (option.state | QStyle::State_Selected) & ~QStyle::State_HasFocus;
        option.palette.setColor(QPalette::Highlight, Qt::transparent);
        QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setLayoutDirection(direction);
        ShelfItemDelegate().paint(&painter, option, model.index(0, 0));
        painter.end();

        const QRect iconRect = QStyle::visualRect(direction, option.rect,
            QRect(ShelfItemDelegate::padding, 10, ShelfItemDelegate::iconSize, 20));
        QCOMPARE(image.pixelColor(iconRect.center()), QColor(Qt::red));
        // The name's ink nearest the icon (the separators lie outside these lines).
        const bool ltr = direction == Qt::LeftToRight;
        int nearest = ltr ? image.width() : 0;
        for (int y = 5; y < 35; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (!iconRect.contains(x, y) && image.pixelColor(x, y).alpha() > 0)
                    nearest = ltr ? std::min(nearest, x) : std::max(nearest, x);
            }
        }
        QVERIFY(std::abs(nearest - (ltr ? iconRect.right() : iconRect.left())) <= 12);
    }

    void namesAreLegibleInLightAndDarkPalettes_data()
    {
        QTest::addColumn<QColor>("window");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor(239, 239, 239) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(53, 53, 53) << QColor(Qt::white);
    }
    void namesAreLegibleInLightAndDarkPalettes()
    {
        QFETCH(QColor, window);
        QFETCH(QColor, text);
        QPalette palette;
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::WindowText, text);
        const QColor background = ShelfColors::effectiveListBackground(palette);
        const QColor name = ShelfColors::composite(ShelfColors::name(palette), background);
        QVERIFY2(ShelfColors::contrastRatio(name, background) >= 4.5,
            qPrintable(name.name() + u" on "_s + background.name()));
    }
};

QTEST_MAIN(ShelfViewTest)
#include "tst_shelfview.moc"
