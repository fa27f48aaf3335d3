// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"
#include "app/StatusMenu.h"
#include "app/VantryApp.h"
#include "tray/StatusItem.h"

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

// The application shell: its menus and what a launch without a tray shows.
class TestVantryApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The menus' entries and Quit, Check for Updates from them, are driven end to end
    // (tests/e2e/test_cli.py, test_accessibility.py); Preferences from a menu is not.
    void preferencesFromTheGearMenuOpenTheSettings()
    {
        AppDelegate delegate(AppDelegate::Services {});
        StatusItem item;
        delegate.statusItemDidAppear(&item);
        int opened = 0;
        delegate.setOpenSettings([&] { ++opened; });
        QMenu gear;
        vantry::addStatusMenuEntries(gear, delegate);
        gear.actions().at(0)->trigger();
        QCOMPARE(opened, 1);
    }

    void aLaunchByHandWithoutATrayShowsTheShelfAtOnce()
    {
        VantryApp app(1h);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"No system tray found"_s));
        app.start();
        // Before the event loop runs again: no grace period for a tray to turn up.
        QVERIFY(window(u"shelfWindow"_s)->isVisible());
    }
};

QTEST_MAIN(TestVantryApp)
#include "tst_vantryapp.moc"
