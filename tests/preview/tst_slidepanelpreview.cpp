// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreviewSamples.h"

#include "preview/AnimationPlayer.h"
#include "preview/PreviewPanel.h"
#include "preview/PreviewPlacement.h"
#include "preview/PreviewView.h"
#include "preview/SlidePanelPreview.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <unistd.h>

using namespace Qt::StringLiterals;
using vantry::PreviewContent;
using vantry::PreviewSide;
using vantry::SlidePanelPreview;

Q_DECLARE_METATYPE(vantry::PreviewContent::Kind)
Q_DECLARE_METATYPE(vantry::PreviewSide)

namespace {

// Counts the Escape presses that reach it.
class EscapeCounter final : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            ++count;
        return false;
    }
};

} // namespace

class TestSlidePanelPreview : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray m_text;
    QByteArray m_image;
    QByteArray m_pdf;
    QByteArray m_other;
    std::unique_ptr<QWidget> m_shelf;
    QLineEdit *m_field = nullptr;

    QByteArray sample(const QByteArray &name, const QByteArray &bytes)
    {
        const QByteArray path = QFile::encodeName(m_dir.path()) + '/' + name;
        if (!samples::writeBytes(path, bytes))
            qFatal("cannot write a sample file");
        return path;
    }

    static std::optional<PreviewContent::Kind> shownKind(SlidePanelPreview &preview)
    {
        const PreviewContent *content = preview.panel()->view()->content();
        return content ? std::optional(content->kind) : std::nullopt;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_text = sample("notes.txt", "some notes\n");
        m_image = sample("picture.png", samples::png(QSize(64, 48)));
        m_pdf = sample("paper.pdf", samples::pdf(1));
        m_other = sample("caf\xe9.bin", QByteArray::fromHex("0001020304ff"));
    }

    void cleanupTestCase()
    {
        // QTemporaryDir removes by decoded names and cannot reach this one.
        ::unlink(m_other.constData());
    }

    void init()
    {
        // The shelf window stand-in, with a field that has keyboard focus.
        m_shelf = std::make_unique<QWidget>();
        m_shelf->setGeometry(600, 100, 320, 420);
        m_field = new QLineEdit(m_shelf.get());
        m_shelf->show();
        m_shelf->activateWindow();
        m_field->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(m_shelf.get()));
    }

    void cleanup()
    {
        SlidePanelPreview::shared().hide();
        m_shelf.reset();
    }

    void firstShowCreatesAFloatingToolPanel()
    {
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        QCOMPARE(&preview, &SlidePanelPreview::shared());
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        vantry::PreviewPanel *panel = preview.panel();
        QVERIFY(panel);
        QVERIFY(panel->isVisible());
        QVERIFY(panel->isWindow());
        const Qt::WindowFlags flags = panel->windowFlags();
        QVERIFY(flags.testFlag(Qt::Tool));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(panel->testAttribute(Qt::WA_ShowWithoutActivating));
        // Not resizable: the size is fixed.
        QCOMPARE(panel->minimumSize(), QSize(380, 300));
        QCOMPARE(panel->maximumSize(), QSize(380, 300));
        // It did not take the focus from the shelf.
        QCOMPARE(QApplication::activeWindow(), m_shelf.get());
        QVERIFY(m_field->hasFocus());

        QVERIFY(!panel->accessibleName().isEmpty());
        QVERIFY(!panel->closeButton()->accessibleName().isEmpty());
        QVERIFY(!panel->view()->accessibleName().isEmpty());
    }

    void placedBesideTheAnchor_data()
    {
        QTest::addColumn<PreviewSide>("side");
        QTest::newRow("right") << PreviewSide::right;
        QTest::newRow("left") << PreviewSide::left;
    }
    void placedBesideTheAnchor()
    {
        QFETCH(PreviewSide, side);
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(m_text, m_shelf.get(), side, 380, 300);
        const QRect expected = vantry::previewPanelFrame(m_shelf->frameGeometry(), side,
            QSize(380, 300), SlidePanelPreview::visibleAreaFor(m_shelf.get()));
        QCOMPARE(preview.targetFrame(), std::optional(expected));
        // The panel slides there while visible; wait for it to arrive.
        QTRY_COMPARE(preview.panel()->frameGeometry(), expected);
        // Where the chosen side has no room on the screen, the panel opens on the other.
        const bool onTheRight = expected.left() > m_shelf->frameGeometry().left();
        const int gap = onTheRight ? expected.left() - (m_shelf->frameGeometry().right() + 1)
                                   : m_shelf->frameGeometry().left() - (expected.right() + 1);
        QCOMPARE(gap, vantry::previewPanelGap);
    }

    void reusesOnePanelAndSwapsTheContent_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<PreviewContent::Kind>("kind");
        QTest::newRow("image") << m_image << PreviewContent::Kind::image;
        QTest::newRow("text") << m_text << PreviewContent::Kind::text;
        QTest::newRow("pdf") << m_pdf << PreviewContent::Kind::pdf;
        QTest::newRow("other, non-UTF-8 name") << m_other << PreviewContent::Kind::other;
    }
    void reusesOnePanelAndSwapsTheContent()
    {
        QFETCH(QByteArray, path);
        QFETCH(PreviewContent::Kind, kind);
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        QPointer<vantry::PreviewPanel> first = preview.panel();
        const int windows = QApplication::topLevelWidgets().size();

        QSignalSpy shown(first->view(), &vantry::PreviewView::contentShown);
        preview.show(path, m_shelf.get(), PreviewSide::right, 380, 300);
        QCOMPARE(preview.panel(), first.data());
        QCOMPARE(QApplication::topLevelWidgets().size(), windows);
        QCOMPARE(first->view()->path(), path);
        QTRY_COMPARE(shownKind(preview), std::optional(kind));
        QVERIFY(shown.count() >= 1);
        QCOMPARE(shown.last().at(0).value<PreviewContent::Kind>(), kind);
    }

    void textIsShownInAMonospaceFont()
    {
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        QTRY_COMPARE(shownKind(preview), std::optional(PreviewContent::Kind::text));
        auto *edit = preview.panel()->view()->findChild<QPlainTextEdit *>();
        QVERIFY(edit);
        QCOMPARE(edit->toPlainText(), u"some notes\n"_s);
        QVERIFY(edit->isReadOnly());
        QVERIFY(QFontInfo(edit->font()).fixedPitch());
    }

    void longTextArrivesWholeInShortLines()
    {
        // One line far too long to lay out at once, then many ordinary lines.
        QByteArray bytes(5000, 'x');
        for (int i = 0; i < 4000; ++i)
            bytes += "\nline " + QByteArray::number(i);
        const QByteArray path = sample("long.txt", bytes);
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(path, m_shelf.get(), PreviewSide::right, 380, 300);
        QTRY_COMPARE(shownKind(preview), std::optional(PreviewContent::Kind::text));
        auto *edit = preview.panel()->view()->findChild<QPlainTextEdit *>();
        QVERIFY(!edit->toPlainText().isEmpty());
        // Everything arrives, only broken into display lines.
        const QString expected = QString::fromLatin1(bytes).remove(u'\n');
        QTRY_COMPARE(edit->toPlainText().remove(u'\n'), expected);
        const QStringList lines = edit->toPlainText().split(u'\n');
        QCOMPARE(lines.size(), 4000 + 1 + 5000 / 400);
        for (const QString &line : lines)
            QVERIFY(line.size() <= 400);

        // A new item stops the rest of a long text from going in.
        preview.show(path, m_shelf.get(), PreviewSide::right, 380, 300);
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        QTRY_COMPARE(edit->toPlainText(), u"some notes\n"_s);
    }

    void animatedImagesPlayOnlyWhileThePanelShows()
    {
        using State = vantry::AnimationPlayer::State;
        const QByteArray gif = sample("moving.gif", samples::animatedGif());
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(gif, m_shelf.get(), PreviewSide::right, 380, 300);
        QTRY_VERIFY(preview.panel()->view()->animation());
        QPointer<vantry::AnimationPlayer> player = preview.panel()->view()->animation();
        QCOMPARE(player->state(), State::running);
        // Frames keep coming (and starting over), decoded off the main thread.
        QTRY_VERIFY(player->framesDecoded() >= 3);
        QVERIFY(!player->currentFrame().isNull());

        // Hidden, it pauses and stops decoding once the frame under way is done.
        preview.hide();
        QCOMPARE(player->state(), State::paused);
        QTRY_VERIFY(!player->isDecoding());
        const int decoded = player->framesDecoded();
        QCOMPARE(player->state(), State::paused);

        // Shown again, it plays on.
        preview.panel()->show();
        QCOMPARE(player->state(), State::running);
        QTRY_VERIFY(player->framesDecoded() > decoded);

        // The next item stops and drops the player.
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        QVERIFY(!player);
        QVERIFY(!preview.panel()->view()->animation());
    }

    void animationsPlayAsOftenAsTheirFileAsks_data()
    {
        QTest::addColumn<int>("repeats");
        QTest::addColumn<int>("plays");
        QTest::newRow("no loop block: once") << -1 << 1;
        QTest::newRow("one repeat: twice") << 1 << 2;
    }

    void animationsPlayAsOftenAsTheirFileAsks()
    {
        QFETCH(int, repeats);
        QFETCH(int, plays);
        using State = vantry::AnimationPlayer::State;
        const QByteArray gif
            = sample("counted" + QByteArray::number(plays) + ".gif", samples::animatedGif(repeats));
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(gif, m_shelf.get(), PreviewSide::right, 380, 300);
        QTRY_VERIFY(preview.panel()->view()->animation());
        QPointer<vantry::AnimationPlayer> player = preview.panel()->view()->animation();
        QTRY_COMPARE(player->state(), State::notRunning);
        QCOMPARE(player->framesDecoded(), 2 * plays);
        // The last frame stays, not the info page.
        QVERIFY(!player->currentFrame().isNull());
        QCOMPARE(shownKind(preview), std::optional(PreviewContent::Kind::animatedImage));
        preview.hide();
        preview.panel()->show();
        QCOMPARE(player->state(), State::notRunning);
    }

    void theInfoPageNamesLinksAndDevices()
    {
        const QByteArray link = QFile::encodeName(m_dir.path()) + "/serial";
        ::unlink(link.constData());
        QCOMPARE(::symlink("/dev/null", link.constData()), 0);
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(link, m_shelf.get(), PreviewSide::right, 380, 300);
        QTRY_COMPARE(shownKind(preview), std::optional(PreviewContent::Kind::other));
        QStringList texts;
        for (const QLabel *label : preview.panel()->view()->findChildren<QLabel *>()) {
            if (label->isVisibleTo(preview.panel()))
                texts.append(label->text());
        }
        QVERIFY2(texts.contains(u"Symbolic link to /dev/null"_s), qPrintable(texts.join(u'|')));
        QVERIFY(texts.contains(preview.panel()->view()->content()->mimeComment));
        QCOMPARE(preview.panel()->view()->content()->mimeType, u"inode/chardevice"_s);
    }

    void hideKeepsThePanelForTheNextShow()
    {
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        QPointer<vantry::PreviewPanel> panel = preview.panel();
        preview.hide();
        QVERIFY(panel);
        QVERIFY(!panel->isVisible());
        preview.show(m_image, m_shelf.get(), PreviewSide::left, 380, 300);
        QCOMPARE(preview.panel(), panel.data());
        QVERIFY(panel->isVisible());
        // Shown again from hidden: placed at once, no slide from the old spot.
        QCOMPARE(panel->frameGeometry(), preview.targetFrame().value());
    }

    void closeButtonHidesWithoutDestroying()
    {
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        QPointer<vantry::PreviewPanel> panel = preview.panel();
        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        QVERIFY(panel);
        QVERIFY(!panel->isVisible());
        QVERIFY(m_shelf->isVisible());
    }

    void escapeHidesAVisiblePanelAndIsConsumed()
    {
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        EscapeCounter counter;
        m_field->installEventFilter(&counter);
        int shortcutFired = 0;
        auto *shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), m_shelf.get());
        connect(shortcut, &QShortcut::activated, this, [&] { ++shortcutFired; });

        QTest::keyClick(m_field, Qt::Key_Escape);
        QVERIFY(!preview.panel()->isVisible());
        QCOMPARE(counter.count, 0);
        QCOMPARE(shortcutFired, 0);
    }

    void escapePassesOnWhileNoPanelIsVisible()
    {
        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        preview.hide();

        // The field gets its Escape...
        EscapeCounter counter;
        m_field->installEventFilter(&counter);
        QTest::keyClick(m_field, Qt::Key_Escape);
        QCOMPARE(counter.count, 1);

        // ...and so does an Escape shortcut elsewhere in the window.
        int shortcutFired = 0;
        auto *shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), m_shelf.get());
        connect(shortcut, &QShortcut::activated, this, [&] { ++shortcutFired; });
        QTest::keyClick(m_field, Qt::Key_Escape);
        QCOMPARE(shortcutFired, 1);

        // Other keys always pass, also while the panel is visible.
        preview.show(m_text, m_shelf.get(), PreviewSide::right, 380, 300);
        QTest::keyClicks(m_field, u"ab"_s);
        QCOMPARE(m_field->text(), u"ab"_s);
        QVERIFY(preview.panel()->isVisible());
    }

    void showWithoutAnchorDoesNothing()
    {
        SlidePanelPreview own;
        own.show(m_text, nullptr, PreviewSide::right, 380, 300);
        QVERIFY(!own.panel());
    }
};

QTEST_MAIN(TestSlidePanelPreview)
#include "tst_slidepanelpreview.moc"
