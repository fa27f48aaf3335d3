// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DropDownWindow.h"
#include "app/VantryApp.h"
#include "shelf/ui/ShelfView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using vantry::VantryApp;

class TestVantryApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A chosen folder with two entries, as the folder chooser stores it.
        const QString home = QDir::homePath();
        QVERIFY(QDir(home).mkpath(u"shelf/folder"_s));
        QFile file(home + u"/shelf/note.txt"_s);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir().mkpath(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/vantry"_s));
        QFile config(qEnvironmentVariable("XDG_CONFIG_HOME") + u"/vantry/vantry.conf"_s);
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(
            "[General]\nuser_selected_dir=@ByteArray(" + QFile::encodeName(home) + "/shelf)\n");
    }

    void withoutATrayTheFirstLaunchShowsTheShelf()
    {
        VantryApp app(50ms);
        QSignalSpy noTray(&app.trayHost(), &vantry::TrayHostWatcher::noHostFound);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"No system tray found"_s));
        app.start();
        QVERIFY(noTray.wait());
        QVERIFY(app.dropDownWindow() && app.dropDownWindow()->isVisible());
        QVERIFY(app.isPresented());
        QCOMPARE(app.handleRequest("ping"), QByteArray("ok"));
    }

    void aShelfShownBeforeTheGracePeriodEndsIsLeftAlone()
    {
        VantryApp app(300ms);
        QSignalSpy noTray(&app.trayHost(), &vantry::TrayHostWatcher::noHostFound);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"No system tray found"_s));
        app.start();
        QTRY_VERIFY(app.statusItem());
        // Shown and hidden again by a second launch: the end of the wait must not reopen it.
        app.toggleShelf();
        app.toggleShelf();
        QVERIFY(noTray.wait());
        QVERIFY(!app.dropDownWindow()->isVisible());
    }

    void withoutATrayTheShelfStillOpensFromAnotherLaunch()
    {
        // Started with the session: no tray, and nothing shows by itself.
        VantryApp app(50ms, VantryApp::Launch::background);
        QSignalSpy noTray(&app.trayHost(), &vantry::TrayHostWatcher::noHostFound);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"No system tray found"_s));
        app.start();
        QVERIFY(noTray.wait());
        QTRY_VERIFY(app.statusItem());
        QVERIFY(!app.dropDownWindow());
        QVERIFY(!app.trayIcon());
        QCOMPARE(app.handleRequest("status").left(19), QByteArray("presented=0 tray=0 "));

        QCOMPARE(app.handleRequest("toggle"), QByteArray("ok"));
        QVERIFY(app.dropDownWindow());
        QVERIFY(app.dropDownWindow()->isVisible());
        QVERIFY(app.isPresented());
        QVERIFY(app.handleRequest("status").contains(" items=2 "));
        QVERIFY(app.statusItem()->state());

        app.toggleShelf();
        QVERIFY(!app.dropDownWindow()->isVisible());
        QVERIFY(!app.isPresented());
        QCOMPARE(app.handleRequest("bogus"), QByteArray("unknown request"));

        // Without a tray menu, the shelf's gear offers the tray menu's own entries.
        app.toggleShelf();
        auto *shelf = qobject_cast<vantry::ShelfView *>(app.dropDownWindow()->content());
        QVERIFY(shelf);
        QMenu *gear = shelf->settingsButton()->menu();
        QVERIFY(gear);
        QCOMPARE(gear->accessibleName(), shelf->settingsButton()->accessibleName());
        QCOMPARE(gear->actions().size(), 5);
        QCOMPARE(gear->actions().constLast(), app.statusItem()->menu()->actions().constLast());
        QVERIFY(!app.settingsWindow());
        gear->actions().constFirst()->trigger();
        QVERIFY(app.settingsWindow() && app.settingsWindow()->isVisible());
        // The key equivalents work in the shelf window too.
        const QList<QAction *> windowActions = app.dropDownWindow()->actions();
        QVERIFY(windowActions.contains(gear->actions().constLast()));
    }

    void losingActivationClosesTheShelf()
    {
        VantryApp app(10s);
        app.start();
        QTRY_VERIFY(app.statusItem());
        app.toggleShelf();
        QWidget *window = app.dropDownWindow();
        QVERIFY(window->isVisible());
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(window, &deactivate);
        QVERIFY(!window->isVisible());
        QVERIFY(!app.isPresented());
        QVERIFY(!app.statusItem()->state());
    }

    void settingsOpenOnceAndComeForward()
    {
        VantryApp app(10s);
        app.openSettingsWindow();
        QWidget *settings = app.settingsWindow();
        QVERIFY(settings && settings->isVisible());
        settings->hide();
        app.openSettingsWindow();
        QCOMPARE(app.settingsWindow(), settings);
        QVERIFY(settings->isVisible());
    }
};

QTEST_MAIN(TestVantryApp)
#include "tst_vantryapp.moc"
