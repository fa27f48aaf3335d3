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
    void aStatusNotifierHostAppearingLater()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.isConnected());
        TrayHostWatcher watcher(10s);
        QSignalSpy available(&watcher, &TrayHostWatcher::hostAvailable);
        watcher.start();
        QCOMPARE(available.size(), 0);
        QVERIFY(bus.registerService(QString::fromLatin1(TrayHostWatcher::watcherService)));
        QVERIFY(available.wait());
        QVERIFY(watcher.isHostAvailable());
        QVERIFY(bus.unregisterService(QString::fromLatin1(TrayHostWatcher::watcherService)));
    }

    void anX11TrayAppearingLater()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs an X display");
        TrayHostWatcher watcher(10s);
        QSignalSpy available(&watcher, &TrayHostWatcher::hostAvailable);
        QSignalSpy none(&watcher, &TrayHostWatcher::noHostFound);
        watcher.start();
        QCOMPARE(available.size(), 0);
        X11Tray tray;
        QVERIFY(tray.start());
        QVERIFY(available.wait());
        QCOMPARE(none.size(), 0);
    }
};

QTEST_MAIN(TestTrayHostWatcher)
#include "tst_trayhostwatcher.moc"
