// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VantryApp.h"

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

namespace {

// Vantry's top-level windows, found by object name as a test tool would.
QWidget *window(const QString &name)
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->objectName() == name)
            return w;
    }
    return nullptr;
}

} // namespace

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
        QVERIFY(window(u"shelfWindow"_s) && window(u"shelfWindow"_s)->isVisible());
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
        QVERIFY(!window(u"shelfWindow"_s)->isVisible());
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
        QVERIFY(!window(u"shelfWindow"_s));
        QCOMPARE(app.handleRequest("status").left(19), QByteArray("presented=0 tray=0 "));

        QCOMPARE(app.handleRequest("toggle"), QByteArray("ok"));
        QVERIFY(window(u"shelfWindow"_s));
        QVERIFY(window(u"shelfWindow"_s)->isVisible());
        QVERIFY(app.isPresented());
        QVERIFY(app.handleRequest("status").contains(" items=2 "));
        QVERIFY(app.statusItem()->state());

        app.toggleShelf();
        QVERIFY(!window(u"shelfWindow"_s)->isVisible());
        QVERIFY(!app.isPresented());
        QCOMPARE(app.handleRequest("bogus"), QByteArray("unknown request"));

        // Without a tray menu, the shelf's gear offers the tray menu's own entries.
        app.toggleShelf();
        auto *gearButton = window(u"shelfWindow"_s)->findChild<QToolButton *>(u"settingsButton"_s);
        QVERIFY(gearButton);
        QMenu *gear = gearButton->menu();
        QVERIFY(gear);
        QCOMPARE(gear->accessibleName(), gearButton->accessibleName());
        QCOMPARE(gear->actions().size(), 5);
        QCOMPARE(gear->actions().constLast(), app.statusItem()->menu()->actions().constLast());
        QVERIFY(!window(u"settingsWindow"_s));
        gear->actions().constFirst()->trigger();
        QVERIFY(window(u"settingsWindow"_s) && window(u"settingsWindow"_s)->isVisible());
        // The key equivalents work in the shelf window too.
        const QList<QAction *> windowActions = window(u"shelfWindow"_s)->actions();
        QVERIFY(windowActions.contains(gear->actions().constLast()));
    }

    void losingActivationClosesTheShelf()
    {
        VantryApp app(10s);
        app.start();
        QTRY_VERIFY(app.statusItem());
        app.toggleShelf();
        QWidget *shelf = window(u"shelfWindow"_s);
        QVERIFY(shelf->isVisible());
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(shelf, &deactivate);
        QVERIFY(!shelf->isVisible());
        QVERIFY(!app.isPresented());
        QVERIFY(!app.statusItem()->state());
    }

    void settingsOpenOnceAndComeForward()
    {
        VantryApp app(10s);
        app.openSettingsWindow();
        QWidget *settings = window(u"settingsWindow"_s);
        QVERIFY(settings && settings->isVisible());
        settings->hide();
        app.openSettingsWindow();
        QCOMPARE(window(u"settingsWindow"_s), settings);
        QVERIFY(settings->isVisible());
    }
};

QTEST_MAIN(TestVantryApp)
#include "tst_vantryapp.moc"
