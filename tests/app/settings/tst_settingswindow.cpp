// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings/AboutView.h"
#include "app/settings/GeneralView.h"
#include "app/settings/SettingsWindow.h"
#include "app/settings/SettingsWindowController.h"
#include "core/UserDefaults.h"
#include "translations/AppTranslations.h"

#include <QApplication>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

#include <memory>

using namespace vantry;
using namespace Qt::StringLiterals;

namespace {

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

    void pickerShowsAndWritesTheSide()
    {
        const QString key = u"preview.side"_s;
        // Nothing stored: the preview opens on the right.
        QCOMPARE(picker(GeneralView(*m_defaults, m_name))->currentText(), u"Right"_s);
        m_defaults->setValue(key, u"above"_s);
        GeneralView view(*m_defaults, m_name);
        QComboBox *sides = picker(view);
        // Showing never writes: an unknown value stays until the user picks.
        QCOMPARE(sides->currentText(), u"Right"_s);
        QCOMPARE(m_defaults->string(key), u"above"_s);
        sides->setCurrentIndex(1);
        Q_EMIT sides->activated(1); // as a choice from the pop-up delivers it
        QCOMPARE(m_defaults->string(key), u"right"_s);
        m_defaults->setValue(key, u"left"_s); // written elsewhere: the picker follows
        QCOMPARE(sides->currentText(), u"Left"_s);
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

    void secondOpenRaisesTheSameWindowWithTheAppIcon()
    {
        const QIcon icon(QPixmap(16, 16));
        SettingsWindowController controller(*m_defaults, m_name, icon);
        controller.open();
        QPointer<SettingsWindow> first = controller.window();
        QVERIFY(first);
        QCOMPARE(first->windowIcon().cacheKey(), icon.cacheKey());
        QVERIFY(QTest::qWaitForWindowExposed(first));
        first->close();
        QVERIFY(!first->isVisible());
        controller.open();
        QCOMPARE(controller.window(), first.data());
        QVERIFY(first->isVisible());
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

    // Last: the translation stays installed.
    void germanReachesTheSettingsPane()
    {
        QVERIFY(installTranslations(QLocale(QLocale::German, QLocale::Germany)));
        GeneralView view(*m_defaults, m_name);
        QStringList texts;
        for (QLabel *label : view.findChildren<QLabel *>())
            texts << label->text();
        QVERIFY2(texts.contains(u"Allgemein"_s), qPrintable(texts.join(u", ")));
        QCOMPARE(picker(view)->itemText(0), u"Links"_s);
        // Qt's own texts come from its catalogue (qt6-translations-l10n).
        QCOMPARE(
            QKeySequence(Qt::CTRL | Qt::Key_S).toString(QKeySequence::NativeText), u"Strg+S"_s);
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
