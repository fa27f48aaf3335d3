// SPDX-License-Identifier: GPL-3.0-or-later
#include "MenuBarExtraAccess/StatusItem.h"
#include "app/AppDelegate.h"
#include "app/StatusMenu.h"
#include "app/VantryApp.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using MenuBarExtraAccess::StatusItem;
using vantry::AppDelegate;
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

// The application shell: its menus and what it does while it waits for a tray.
class TestVantryApp : public QObject
{
    Q_OBJECT

private:
    QStringList m_calls;
    AppDelegate::Services recording()
    {
        return { [this] { m_calls << u"check"_s; }, [this] { m_calls << u"stop"_s; },
            [this] { m_calls << u"quit"_s; } };
    }

private Q_SLOTS:
    void theMenusShareActionsThatReachTheirServices()
    {
        AppDelegate delegate(recording());
        StatusItem item;
        delegate.statusItemDidAppear(&item);
        // The shelf's gear menu offers the status menu's own actions, not copies of them.
        QMenu gear;
        vantry::addStatusMenuEntries(gear, delegate);
        const QList<QAction *> entries = gear.actions();
        const QList<QAction *> statusEntries = item.menu()->actions();
        QCOMPARE(entries.size(), statusEntries.size());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            if (!entries.at(i)->isSeparator())
                QCOMPARE(entries.at(i), statusEntries.at(i));
        }
        // Preferences before the application said how to open them does nothing.
        entries.at(0)->trigger();
        int opened = 0;
        delegate.setOpenSettings([&] { ++opened; });
        entries.at(0)->trigger();
        QCOMPARE(opened, 1);
        entries.at(2)->trigger();
        QCOMPARE(m_calls, QStringList { u"check"_s });
        // The grant is released before the application is asked to quit.
        entries.at(4)->trigger();
        QCOMPARE(m_calls, (QStringList { u"check"_s, u"stop"_s, u"quit"_s }));
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
};

QTEST_MAIN(TestVantryApp)
#include "tst_vantryapp.moc"
