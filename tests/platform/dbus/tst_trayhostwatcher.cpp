// SPDX-License-Identifier: GPL-3.0-or-later
#include "X11Tray.h"
#include "platform/dbus/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using vantry::TrayHostWatcher;

class TestTrayHostWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // No host at all is driven end to end (tests/e2e/test_cli.py).
    void aTrayAppearingLater_data()
    {
        QTest::addColumn<bool>("xembed");
        QTest::newRow("StatusNotifierWatcher") << false;
        QTest::newRow("X11 tray") << true;
    }

    void aTrayAppearingLater()
    {
        QFETCH(bool, xembed);
        if (xembed && QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs an X display");
        QDBusConnection bus = QDBusConnection::sessionBus();
        const QString watcherName = QString::fromLatin1(TrayHostWatcher::watcherService);
        TrayHostWatcher watcher(10s);
        QSignalSpy available(&watcher, &TrayHostWatcher::hostAvailable);
        QSignalSpy none(&watcher, &TrayHostWatcher::noHostFound);
        watcher.start();
        QCOMPARE(available.size(), 0);
        X11Tray tray;
        QVERIFY(xembed ? tray.start() : bus.registerService(watcherName));
        QVERIFY(available.wait());
        QCOMPARE(none.size(), 0);
        bus.unregisterService(watcherName);
    }
};

QTEST_MAIN(TestTrayHostWatcher)
#include "tst_trayhostwatcher.moc"
