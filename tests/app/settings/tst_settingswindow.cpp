// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyboardShortcuts/ui/ShortcutRecorder.h"
#include "app/settings/AboutView.h"
#include "app/settings/GeneralView.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#include <memory>

using namespace vantry;
using namespace Qt::StringLiterals;

namespace {

QIcon iconOfSize(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

QComboBox *picker(const GeneralView &view)
{
    return view.findChild<QComboBox *>(u"previewSide"_s);
}

} // namespace

class TestSettingsWindow final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<UserDefaults> m_defaults;
    const KeyboardShortcuts::Name m_name { u"openShelfWindow"_s };

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(u"vantry.conf"_s));
        m_defaults = std::make_unique<UserDefaults>(m_dir.filePath(u"vantry.conf"_s));
    }

    void cleanup() { m_defaults.reset(); }

    void pickerShowsTheStoredSide_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("absent") << QVariant() << u"Right"_s;
        QTest::newRow("left") << QVariant(u"left"_s) << u"Left"_s;
        QTest::newRow("right") << QVariant(u"right"_s) << u"Right"_s;
        QTest::newRow("unknown") << QVariant(u"above"_s) << u"Right"_s;
        QTest::newRow("other case") << QVariant(u"Left"_s) << u"Right"_s;
        QTest::newRow("empty") << QVariant(QString()) << u"Right"_s;
    }

    void pickerShowsTheStoredSide()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        const QString key = u"preview.side"_s;
        if (stored.isValid())
            m_defaults->setValue(key, stored);
        GeneralView view(*m_defaults, m_name);
        QCOMPARE(picker(view)->currentText(), shown);
        // Showing never writes: an unknown string stays until the user picks.
        QCOMPARE(m_defaults->contains(key), stored.isValid());
        if (stored.isValid())
            QCOMPARE(m_defaults->value(key), stored);
    }

    void pickingWritesTheRawValue_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("picked");
        QTest::addColumn<QString>("written");
        QTest::newRow("unknown, pick Left") << u"above"_s << 0 << u"left"_s;
        QTest::newRow("unknown, pick the shown Right") << u"above"_s << 1 << u"right"_s;
        QTest::newRow("left, pick Right") << u"left"_s << 1 << u"right"_s;
    }

    void pickingWritesTheRawValue()
    {
        QFETCH(QString, stored);
        QFETCH(int, picked);
        QFETCH(QString, written);
        const QString key = u"preview.side"_s;
        m_defaults->setValue(key, stored);
        GeneralView view(*m_defaults, m_name);
        QComboBox *sides = picker(view);
        sides->setCurrentIndex(picked);
        Q_EMIT sides->activated(picked); // as a choice from the pop-up delivers it
        QCOMPARE(m_defaults->string(key), written);
        QCOMPARE(view.shownSide(), picked == 0 ? PreviewSide::left : PreviewSide::right);
    }

    void aChoiceThatCannotBeSavedIsToldHereOnce()
    {
        // A plain file where the settings folder should be: no user can save there.
        QTemporaryDir dir;
        QFile blocker(dir.filePath(u"vantry"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        UserDefaults unsavable(dir.filePath(u"vantry/vantry.conf"_s));
        GeneralView view(unsavable, m_name);
        auto *saveError = view.findChild<QLabel *>(u"saveError"_s);
        QVERIFY(saveError && saveError->isHidden());

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        // Written elsewhere, not by a choice in this pane: nothing is shown.
        unsavable.setValue(u"updates.lastCheckTime"_s, u"2026-03-01T12:00:00.000Z"_s);
        QVERIFY(saveError->isHidden());

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        Q_EMIT picker(view)->activated(0);
        QCOMPARE(unsavable.string(u"preview.side"_s), u"left"_s);
        QVERIFY(!saveError->isHidden());
        const QString reason = QString::fromLocal8Bit(::strerror(ENOTDIR));
        QVERIFY2(saveError->text().contains(reason), qPrintable(saveError->text()));
        QVERIFY(!unsavable.claimSaveFailureNotice()); // the pane has told the user

        // The pane keeps its height: with the line shown, everything must still fit in it.
        view.setFixedWidth(SettingsWindow::fixedWidth);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.rect().contains(saveError->geometry()));
        QCOMPARE_LE(view.minimumSizeHint().height(), view.height());
    }

    void pickerFollowsAWriteElsewhere()
    {
        GeneralView view(*m_defaults, m_name);
        m_defaults->setValue(u"preview.side"_s, u"left"_s);
        QCOMPARE(picker(view)->currentText(), u"Left"_s);
    }

    void windowKeepsItsSizes()
    {
        SettingsWindow window(*m_defaults, m_name, iconOfSize({ 64, 64 }));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *tabs = window.findChild<QTabWidget *>();
        QVERIFY(tabs);
        for (int tab : { 0, 1 }) {
            tabs->setCurrentIndex(tab);
            QCOMPARE(window.width(), SettingsWindow::fixedWidth);
        }
        auto *general = window.findChild<GeneralView *>(u"general"_s);
        auto *about = window.findChild<AboutView *>(u"about"_s);
        QVERIFY(general && about);
        QCOMPARE(general->height(), GeneralView::fixedHeight);
        QVERIFY(about->minimumWidth() >= 420);
        QVERIFY(about->minimumHeight() >= 180);
        auto *recorder = general->findChild<QLineEdit *>(u"shortcutRecorder"_s);
        QVERIFY(recorder);
        QCOMPARE(recorder->accessibleName(), u"Open Window:"_s);
        QCOMPARE(tabs->tabText(0), u"General"_s);
        QCOMPARE(tabs->tabText(1), u"About"_s);
        QVERIFY(!tabs->tabIcon(0).isNull());
        QVERIFY(!tabs->tabIcon(1).isNull());
    }

    void secondOpenRaisesTheSameWindow()
    {
        SettingsWindowController controller(*m_defaults, m_name, iconOfSize({ 32, 32 }));
        QVERIFY(!controller.window());
        controller.open();
        QPointer<SettingsWindow> first = controller.window();
        QVERIFY(first);
        QVERIFY(QTest::qWaitForWindowExposed(first));
        first->close();
        QVERIFY(!first->isVisible());
        controller.open();
        QCOMPARE(controller.window(), first.data());
        QVERIFY(first->isVisible());
        int windows = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            windows += qobject_cast<SettingsWindow *>(w) ? 1 : 0;
        QCOMPARE(windows, 1);
    }

    void openingNeverStartsRecording()
    {
        SettingsWindowController controller(*m_defaults, m_name, iconOfSize({ 32, 32 }));
        controller.open();
        QVERIFY(QTest::qWaitForWindowActive(controller.window()));
        auto *recorder = controller.window()->findChild<KeyboardShortcuts::ShortcutRecorder *>(
            u"shortcutRecorder"_s);
        QVERIFY(recorder);
        QCoreApplication::processEvents();
        QTRY_VERIFY(!recorder->hasFocus());
        QVERIFY(!recorder->isRecording());
    }

    void aboutTextsFallBack_data()
    {
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("nameText");
        QTest::addColumn<QString>("versionText");
        QTest::newRow("all") << u"Vantry Shelf"_s << u"vantry"_s << u"1.4"_s << u"Vantry Shelf"_s
                             << u"Version 1.4"_s;
        QTest::newRow("no display name")
            << QString() << u"vantry"_s << u"2.0"_s << u"vantry"_s << u"Version 2.0"_s;
        QTest::newRow("nothing") << QString() << QString() << QString() << u"Vantry"_s
                                 << u"Version -"_s;
    }

    void aboutTextsFallBack()
    {
        QFETCH(QString, displayName);
        QFETCH(QString, name);
        QFETCH(QString, version);
        QFETCH(QString, nameText);
        QFETCH(QString, versionText);
        auto info = [&] { return AboutView::Info { displayName, name, version }; };
        AboutView view(QIcon(), info, [] { return QDate(2031, 5, 1); });
        QCOMPARE(view.nameText(), nameText);
        QCOMPARE(view.versionText(), versionText);
        QVERIFY(view.copyrightText().contains(u"2031"_s));
    }

    void copyrightYearFollowsTheClock()
    {
        QDate today(2030, 12, 31);
        AboutView view(
            QIcon(), [] { return AboutView::Info(); }, [&] { return today; });
        QVERIFY(view.copyrightText().contains(u"2030"_s));
        today = QDate(2031, 1, 1);
        view.show(); // the pane reads its texts again when shown
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto labels = view.findChildren<QLabel *>();
        const bool shown = std::any_of(labels.begin(), labels.end(),
            [](QLabel *l) { return l->text().contains(u"© 2031"_s); });
        QVERIFY(shown);
    }

    void iconIsFittedAndRounded_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QPoint>("filled");
        QTest::addColumn<QPoint>("empty");
        QTest::newRow("square fills the frame")
            << QSize(256, 256) << QPoint(48, 1) << QPoint(1, 1); // corner rounded off
        QTest::newRow("wide is centred") << QSize(200, 100) << QPoint(2, 48) << QPoint(48, 10);
        QTest::newRow("tall is centred") << QSize(50, 100) << QPoint(48, 48) << QPoint(10, 48);
    }

    void iconIsFittedAndRounded()
    {
        QFETCH(QSize, source);
        QFETCH(QPoint, filled);
        QFETCH(QPoint, empty);
        const QImage image = AboutView::roundedIcon(iconOfSize(source), 1.0).toImage();
        QCOMPARE(image.size(), QSize(AboutView::iconSize, AboutView::iconSize));
        QCOMPARE(image.pixelColor(filled).alpha(), 255);
        QCOMPARE(image.pixelColor(empty).alpha(), 0);
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
