// SPDX-License-Identifier: GPL-3.0-or-later
#include "MenuBarExtraAccess/StatusItem.h"
#include "app/AppDelegate.h"
#include "app/StatusMenu.h"

#include <QAction>
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
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
