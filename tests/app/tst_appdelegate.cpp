// SPDX-License-Identifier: GPL-3.0-or-later
#include "MenuBarExtraAccess/StatusItem.h"
#include "app/AppDelegate.h"
#include "app/StatusMenu.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;
using MenuBarExtraAccess::StatusItem;
using vantry::AppDelegate;

class TestAppDelegate : public QObject
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
    void init() { m_calls.clear(); }

    void theStatusMenuHasFiveEntries()
    {
        AppDelegate delegate(recording());
        StatusItem item;
        delegate.statusItemDidAppear(&item);
        QMenu *menu = item.menu();
        QVERIFY(menu);
        QCOMPARE(delegate.statusMenu(&item), menu);

        const QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 5);
        const QStringList titles { u"Preferences\u2026"_s, QString(), u"Check for Updates\u2026"_s,
            QString(), u"Quit"_s };
        const QList<QKeySequence> keys { QKeySequence(Qt::CTRL | Qt::Key_Comma), QKeySequence(),
            QKeySequence(), QKeySequence(), QKeySequence(Qt::CTRL | Qt::Key_Q) };
        for (qsizetype i = 0; i < actions.size(); ++i) {
            QCOMPARE(actions.at(i)->isSeparator(), titles.at(i).isEmpty());
            QCOMPARE(actions.at(i)->text(), titles.at(i));
            QCOMPARE(actions.at(i)->shortcut(), keys.at(i));
        }
    }

    void theMenuKeysWorkWhileTheMenuIsOpen()
    {
        AppDelegate delegate(recording());
        int opened = 0;
        delegate.setOpenSettings([&] { ++opened; });
        StatusItem item;
        delegate.statusItemDidAppear(&item);
        QMenu *menu = item.menu();
        QVERIFY(menu);

        menu->popup(QPoint(20, 20));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTest::keyClick(menu, Qt::Key_Comma, Qt::ControlModifier);
        QTRY_COMPARE(opened, 1);
        QVERIFY(!menu->isVisible());
        QVERIFY(m_calls.isEmpty());

        menu->popup(QPoint(20, 20));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        // A key the menu does not show does nothing.
        QTest::keyClick(menu, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_Q, Qt::ControlModifier);
        QTRY_COMPARE(m_calls, (QStringList { u"stop"_s, u"quit"_s }));
        QVERIFY(!menu->isVisible());
        QCOMPARE(opened, 1);
    }

    void theMenuKeysWorkInVantrysWindows()
    {
        AppDelegate delegate(recording());
        int opened = 0;
        delegate.setOpenSettings([&] { ++opened; });
        QWidget window;
        auto *field = new QLineEdit(&window);
        // In a menu as well as on the window, as the shelf's gear has them.
        QMenu gear;
        vantry::addStatusMenuEntries(gear, delegate);
        delegate.addKeyEquivalents(&window);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        field->setFocus();
        // Even from inside a text field.
        QTest::keyClick(field, Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(opened, 1);
        QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(m_calls, (QStringList { u"stop"_s, u"quit"_s }));
        QCOMPARE(opened, 1);
    }

    void everyMenuSharesTheSameThreeActions()
    {
        // The shelf's gear menu offers the status menu's own actions, not copies of them.
        AppDelegate delegate(recording());
        StatusItem item;
        delegate.statusItemDidAppear(&item);
        QMenu gear;
        vantry::addStatusMenuEntries(gear, delegate);
        const QList<QAction *> entries = gear.actions();
        const QList<QAction *> statusEntries = item.menu()->actions();
        QCOMPARE(entries.size(), 5);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            QCOMPARE(entries.at(i)->isSeparator(), statusEntries.at(i)->isSeparator());
            // Separators belong to their menu; the three real entries are the same objects.
            if (!entries.at(i)->isSeparator())
                QCOMPARE(entries.at(i), statusEntries.at(i));
        }
        entries.constLast()->trigger();
        QCOMPARE(m_calls, (QStringList { u"stop"_s, u"quit"_s }));
    }

    void eachActionReachesItsService_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("check for updates") << 2 << QStringList { u"check"_s };
        // The grant is released before the application is asked to quit.
        QTest::newRow("quit") << 4 << QStringList { u"stop"_s, u"quit"_s };
    }
    void eachActionReachesItsService()
    {
        QFETCH(int, position);
        QFETCH(QStringList, calls);
        AppDelegate delegate(recording());
        StatusItem item;
        delegate.statusItemDidAppear(&item);
        item.menu()->actions().at(position)->trigger();
        QCOMPARE(m_calls, calls);
    }

    void preferencesOpensSettingsOnceTheActionIsKnown()
    {
        AppDelegate delegate(recording());
        StatusItem item;
        delegate.statusItemDidAppear(&item);
        QAction *preferences = item.menu()->actions().at(0);
        preferences->trigger();
        int opened = 0;
        delegate.setOpenSettings([&] { ++opened; });
        preferences->trigger();
        preferences->trigger();
        QCOMPARE(opened, 2);
        QVERIFY(m_calls.isEmpty());
    }

    void wiringTakesEffectOncePerStatusItem()
    {
        AppDelegate delegate(recording());
        StatusItem first;
        StatusItem second;
        delegate.statusItemDidAppear(&first);
        QMenu *menu = first.menu();
        delegate.statusItemDidAppear(&first);
        delegate.statusItemDidAppear(&first);
        QCOMPARE(first.menu(), menu);
        delegate.statusItemDidAppear(&second);
        QVERIFY(second.menu());
        QVERIFY(second.menu() != menu);
        delegate.statusItemDidAppear(nullptr);
    }

    void aRightClickOnTheIconNeverClicksTheItem()
    {
        // The menu is the tray's context menu: attaching it does not click the item.
        AppDelegate delegate(recording());
        StatusItem item;
        int clicks = 0;
        connect(&item, &StatusItem::clicked, this, [&] { ++clicks; });
        delegate.statusItemDidAppear(&item);
        QCOMPARE(clicks, 0);
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
