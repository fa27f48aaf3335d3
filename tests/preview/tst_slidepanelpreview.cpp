// SPDX-License-Identifier: GPL-3.0-or-later
#include "../shelf/ShelfTestFolder.h"
#include "PreviewSamples.h"

#include "preview/AnimationPlayer.h"
#include "preview/PreviewPanel.h"
#include "preview/PreviewPlacement.h"
#include "preview/PreviewView.h"
#include "preview/SlidePanelPreview.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <unistd.h>

using namespace Qt::StringLiterals;
using vantry::PreviewContent;
using vantry::PreviewSide;
using State = vantry::AnimationPlayer::State;

class TestSlidePanelPreview : public QObject
{
    Q_OBJECT

private:
    vantry::ShelfTestFolder m_folder;
    QByteArray m_text;
    std::unique_ptr<QDialog> m_shelf;
    QLineEdit *m_field = nullptr;
    vantry::SlidePanelPreview &m_preview = vantry::SlidePanelPreview::shared();

    void show(const QByteArray &path, PreviewSide side = PreviewSide::right)
    {
        m_preview.show(path, m_shelf.get(), side, 380, 300);
    }

    std::optional<PreviewContent::Kind> shownKind() const
    {
        const PreviewContent *content = m_preview.panel()->view()->content();
        return content ? std::optional(content->kind) : std::nullopt;
    }

    QStringList visibleTexts() const
    {
        QStringList texts;
        const vantry::PreviewPanel *panel = m_preview.panel();
        for (const QLabel *label : panel->view()->findChildren<QLabel *>()) {
            if (label->isVisibleTo(panel))
                texts.append(label->text());
        }
        return texts;
    }

    QRect besideTheShelf(PreviewSide side) const
    {
        return vantry::previewPanelFrame(m_shelf->frameGeometry(), side, QSize(380, 300),
            vantry::SlidePanelPreview::visibleAreaFor(m_shelf.get()));
    }

private Q_SLOTS:
    void initTestCase() { m_text = m_folder.write("notes.txt", "some notes\n"); }

    void init()
    {
        // The shelf window stand-in, with a field that has keyboard focus. As a dialog it
        // handles Escape itself, as the shelf's rename field does.
        m_shelf = std::make_unique<QDialog>();
        m_shelf->setGeometry(600, 100, 320, 420);
        m_field = new QLineEdit(m_shelf.get());
        m_shelf->show();
        m_shelf->activateWindow();
        m_field->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(m_shelf.get()));
    }

    void cleanup()
    {
        m_preview.hide();
        m_shelf.reset();
    }

    // One panel for every item: it slides beside the shelf while visible, is placed there at
    // once when shown from hidden, and its close button and Escape only hide it. For a link
    // to a device it names the link and the device's kind.
    void onePanelBesideTheShelf()
    {
        show(m_text);
        QPointer<vantry::PreviewPanel> panel = m_preview.panel();
        const int windows = QApplication::topLevelWidgets().size();
        QCOMPARE(panel->frameGeometry(), besideTheShelf(PreviewSide::right));
        QCOMPARE(panel->title()->text(), u"notes.txt"_s);
        const QByteArray link = m_folder.pathOf("serial");
        QCOMPARE(::symlink("/dev/null", link.constData()), 0);
        show(link, PreviewSide::left);
        QCOMPARE(m_preview.panel(), panel.data());
        QCOMPARE(QApplication::topLevelWidgets().size(), windows);
        QTRY_COMPARE(shownKind(), std::optional(PreviewContent::Kind::other));
        const QStringList texts = visibleTexts();
        QVERIFY2(texts.contains(u"Symbolic link to /dev/null"_s), qPrintable(texts.join(u'|')));
        QVERIFY(texts.contains(panel->view()->content()->mimeComment));
        QTRY_COMPARE(panel->frameGeometry(), besideTheShelf(PreviewSide::left));
        QVERIFY(!panel->accessibleName().isEmpty());
        QVERIFY(!panel->closeButton()->accessibleName().isEmpty());

        // A long name loses its middle, so the extension stays; an empty file says so.
        show(m_folder.write(QByteArray(200, 'e') + ".txt", ""));
        QTRY_COMPARE(shownKind(), std::optional(PreviewContent::Kind::text));
        const QString title = panel->title()->text();
        QVERIFY2(title.contains(u'…') && title.endsWith(u"e.txt"_s), qPrintable(title));
        QCOMPARE_LE(
            panel->title()->fontMetrics().horizontalAdvance(title), panel->title()->width());
        QVERIFY2(visibleTexts().contains(u"Empty file"_s), qPrintable(visibleTexts().join(u'|')));

        QTest::mouseClick(panel->closeButton(), Qt::LeftButton);
        QVERIFY(panel && !panel->isVisible());
        QVERIFY(m_shelf->isVisible());
        show(m_text);
        QCOMPARE(m_preview.panel(), panel.data());
        QCOMPARE(panel->frameGeometry(), besideTheShelf(PreviewSide::right));

        // Escape hides a visible panel and goes no further. While no panel is visible it
        // reaches the window's Escape shortcut, or else the window itself; other keys always
        // pass.
        int shortcutFired = 0;
        auto *shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), m_shelf.get());
        connect(shortcut, &QShortcut::activated, this, [&] { ++shortcutFired; });
        QSignalSpy rejected(m_shelf.get(), &QDialog::rejected);
        m_shelf->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_shelf.get()));
        QTest::keyClicks(m_field, u"ab"_s);
        QCOMPARE(m_field->text(), u"ab"_s);
        QTest::keyClick(m_field, Qt::Key_Escape);
        QVERIFY(!panel->isVisible());
        QCOMPARE(shortcutFired, 0);
        QCOMPARE(rejected.count(), 0);
        QTest::keyClick(m_field, Qt::Key_Escape);
        QCOMPARE(shortcutFired, 1);
        delete shortcut;
        QTest::keyClick(m_field, Qt::Key_Escape);
        QCOMPARE(rejected.count(), 1);
    }

    void longTextArrivesWholeInShortLines()
    {
        // One line far too long to lay out at once, then many ordinary lines.
        QByteArray bytes(5000, 'x');
        for (int i = 0; i < 4000; ++i)
            bytes += "\nline " + QByteArray::number(i);
        const QByteArray path = m_folder.write("long.txt", bytes);
        show(path);
        QTRY_COMPARE(shownKind(), std::optional(PreviewContent::Kind::text));
        auto *edit = m_preview.panel()->view()->findChild<QPlainTextEdit *>();
        QVERIFY(QFontInfo(edit->font()).fixedPitch());
        // Everything arrives, only broken into display lines.
        QTRY_COMPARE(edit->toPlainText().remove(u'\n'), QString::fromLatin1(bytes).remove(u'\n'));
        const QStringList lines = edit->toPlainText().split(u'\n');
        QCOMPARE(lines.size(), 4000 + 1 + 5000 / 400);
        for (const QString &line : lines)
            QVERIFY(line.size() <= 400);

        // A new item stops the rest of a long text from going in.
        show(path);
        show(m_text);
        QTRY_COMPARE(edit->toPlainText(), u"some notes\n"_s);
    }

    void animationsPlayWhileShownAsOftenAsTheirFileAsks_data()
    {
        QTest::addColumn<int>("repeats");
        QTest::addColumn<int>("plays"); // 0: for ever
        QTest::newRow("for ever") << 0 << 0;
        QTest::newRow("no loop block: once") << -1 << 1;
        QTest::newRow("one repeat: twice") << 1 << 2;
    }
    void animationsPlayWhileShownAsOftenAsTheirFileAsks()
    {
        QFETCH(int, repeats);
        QFETCH(int, plays);
        show(m_folder.write(
            "moving" + QByteArray::number(repeats) + ".gif", samples::animatedGif(repeats)));
        QTRY_VERIFY(m_preview.panel()->view()->animation());
        QPointer<vantry::AnimationPlayer> player = m_preview.panel()->view()->animation();
        // Frames keep coming, decoded off the main thread, until the last play ends; its
        // last frame stays, not the info page.
        if (plays) {
            QTRY_COMPARE(player->state(), State::notRunning);
            QCOMPARE(player->framesDecoded(), 2 * plays);
        } else {
            QCOMPARE(player->state(), State::running);
            QTRY_VERIFY(player->framesDecoded() >= 3);
        }
        QVERIFY(!player->currentFrame().isNull());
        QCOMPARE(shownKind(), std::optional(PreviewContent::Kind::animatedImage));

        // Hidden, it pauses and decodes nothing once the frame under way is done; shown
        // again, it plays on. One that ended stays ended.
        m_preview.hide();
        QCOMPARE(player->state(), plays ? State::notRunning : State::paused);
        QTRY_VERIFY(!player->isDecoding());
        const int decoded = player->framesDecoded();
        m_preview.panel()->show();
        QCOMPARE(player->state(), plays ? State::notRunning : State::running);
        if (!plays)
            QTRY_VERIFY(player->framesDecoded() > decoded);
        show(m_text);
        QVERIFY(!player);
    }
};

QTEST_MAIN(TestSlidePanelPreview)
#include "tst_slidepanelpreview.moc"
