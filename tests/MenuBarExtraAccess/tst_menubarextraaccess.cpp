// SPDX-License-Identifier: GPL-3.0-or-later
#include "MenuBarExtraAccess/MenuBarExtraAccess.h"
#include "MenuBarExtraAccess/PresentedFlag.h"
#include "MenuBarExtraAccess/StatusItem.h"
#include "MenuBarExtraAccess/StatusItems.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace Qt::StringLiterals;
using namespace MenuBarExtraAccess;

namespace {
// A status item whose click toggles its drop-down window, as the tray shell wires it.
struct Extra
{
    StatusItem item;
    QWidget window { nullptr, Qt::Tool | Qt::FramelessWindowHint };
    int clicks = 0;

    Extra()
    {
        window.resize(120, 80);
        item.setWindow(&window);
        QObject::connect(&item, &StatusItem::clicked, [this] {
            ++clicks;
            window.setVisible(!window.isVisible());
        });
    }
};

void deactivate(QWidget *w)
{
    QEvent e(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(w, &e);
}
} // namespace

class TestMenuBarExtraAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QVERIFY(statusItems().isEmpty()); }

    void describesIdentities_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("expected");
        QTest::newRow("index 3") << StatusItemIdentity::index(3).description() << u"index 3"_s;
        QTest::newRow("index -1") << StatusItemIdentity::index(-1).description() << u"index -1"_s;
        QTest::newRow("index 0") << StatusItemIdentity::index(0).description() << u"index 0"_s;
        QTest::newRow("id") << StatusItemIdentity::id(u"Vantry"_s).description()
                            << u"ID \"Vantry\""_s;
    }
    void describesIdentities()
    {
        QFETCH(QString, description);
        QFETCH(QString, expected);
        QCOMPARE(description, expected);
    }

    void identitiesCompareByCaseThenPayload()
    {
        QCOMPARE(StatusItemIdentity::index(1), StatusItemIdentity::index(1));
        QVERIFY(StatusItemIdentity::index(1) != StatusItemIdentity::index(2));
        QVERIFY(StatusItemIdentity::index(1) != StatusItemIdentity::id(u"1"_s));
        QCOMPARE(qHash(StatusItemIdentity::id(u"a"_s)), qHash(StatusItemIdentity::id(u"a"_s)));
        QSet<StatusItemIdentity> set { StatusItemIdentity::index(0), StatusItemIdentity::index(0),
            StatusItemIdentity::id(u"0"_s) };
        QCOMPARE(set.size(), 2);
    }

    void looksUpItemsByIndex_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected"); // -1: none
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("second") << 1 << 1;
        QTest::newRow("one past the end") << 2 << -1;
        QTest::newRow("negative") << -1 << -1;
    }
    void looksUpItemsByIndex()
    {
        QFETCH(int, index);
        QFETCH(int, expected);
        Extra first;
        Extra second;
        const QList<StatusItem *> items { &first.item, &second.item };
        StatusItem *found = statusItem(StatusItemIdentity::index(index));
        QCOMPARE(found, expected < 0 ? nullptr : items.at(expected));
        QWidget *window = menuBarExtraWindow(StatusItemIdentity::index(index));
        QCOMPARE(window, expected < 0 ? nullptr : items.at(expected)->window());
    }

    void looksUpWithoutIdentityAndById()
    {
        QCOMPARE(statusItem(), nullptr);
        QCOMPARE(menuBarExtraWindow(), nullptr);
        Extra first;
        Extra second;
        second.item.setIdentifier(u"shelf"_s);
        QCOMPARE(statusItem(), &first.item);
        QCOMPARE(statusItem(StatusItemIdentity::id(u"shelf"_s)), &second.item);
        QCOMPARE(statusItem(StatusItemIdentity::id(u"other"_s)), nullptr);
        QCOMPARE(windowStatusItem(&second.window), &second.item);
        QCOMPARE(windowStatusItem(nullptr), nullptr);
        {
            StatusItem gone;
            QCOMPARE(statusItems().size(), 3);
        }
        QCOMPARE(statusItems(), (QList<StatusItem *> { &first.item, &second.item }));
    }

    void windowStyleItemsAreNotMenuBased()
    {
        Extra extra;
        QVERIFY(!isMenuBased(&extra.item));
        extra.item.setHasButton(false);
        QVERIFY(isMenuBased(&extra.item));
        QVERIFY(isMenuBased(nullptr));
    }

    void handsTheItemToTheCallbackOncePerAccess()
    {
        Extra extra;
        PresentedFlag flag;
        QList<StatusItem *> received;
        MenuBarExtraAccess::MenuBarExtraAccess access(
            0, &flag, [&](StatusItem *item) { received.append(item); });
        access.setupObservers();
        access.setupObservers();
        QTRY_COMPARE(received.size(), 1);
        access.setupObservers();
        QCoreApplication::processEvents();
        QCOMPARE(received, QList<StatusItem *> { &extra.item });
    }

    void anIndexOutOfRangeFindsNothing()
    {
        Extra extra;
        PresentedFlag flag;
        int calls = 0;
        MenuBarExtraAccess::MenuBarExtraAccess access(1, &flag, [&](StatusItem *) { ++calls; });
        access.setupObservers();
        QCoreApplication::processEvents();
        extra.window.show();
        QCoreApplication::processEvents();
        QCOMPARE(flag.value(), false);
        flag.setValue(true);
        QCOMPARE(extra.clicks, 0);
        QCOMPARE(calls, 0);
    }

    void writingTheFlagClicksOnlyWhenTheWindowDiffers()
    {
        Extra extra;
        PresentedFlag flag;
        MenuBarExtraAccess::MenuBarExtraAccess access(0, &flag, {});
        access.setupObservers();
        QCoreApplication::processEvents();

        flag.setValue(true);
        QCOMPARE(extra.clicks, 1);
        QVERIFY(extra.window.isVisible());
        QVERIFY(extra.item.state());
        QVERIFY(extra.item.isHighlighted());

        // Open but out of step: writing true refreshes the highlight and clicks nothing.
        extra.item.setHighlighted(false);
        flag.blockSignals(true);
        flag.setValue(false);
        flag.blockSignals(false);
        flag.setValue(true);
        QCOMPARE(extra.clicks, 1);
        QVERIFY(extra.window.isVisible());
        QVERIFY(extra.item.isHighlighted());

        flag.setValue(false);
        QCOMPARE(extra.clicks, 2);
        QVERIFY(!extra.window.isVisible());
        QVERIFY(!extra.item.state());
        QVERIFY(!extra.item.isHighlighted());
    }

    void theFlagFollowsTheWindow()
    {
        Extra extra;
        PresentedFlag flag;
        QSignalSpy changes(&flag, &PresentedFlag::changed);
        MenuBarExtraAccess::MenuBarExtraAccess access(0, &flag, {});
        access.setupObservers();
        QCoreApplication::processEvents();

        extra.item.performClick();
        QVERIFY(flag.value());
        QVERIFY(extra.item.state());

        // Losing activation closes the window and turns the flag off.
        deactivate(&extra.window);
        QVERIFY(!extra.window.isVisible());
        QVERIFY(!flag.value());
        QVERIFY(!extra.item.state());

        // A second click while open closes it; either way the flag reports each change once.
        extra.item.performClick();
        extra.item.performClick();
        QVERIFY(!flag.value());
        QCOMPARE(extra.clicks, 3);
        QCOMPARE(changes.size(), 4);
    }

    void windowStyleButtonReportsNeverWriteTheFlag()
    {
        Extra extra;
        PresentedFlag flag;
        MenuBarExtraAccess::MenuBarExtraAccess access(0, &flag, {});
        access.setupObservers();
        QCoreApplication::processEvents();
        extra.item.setState(true);
        QCoreApplication::processEvents();
        QVERIFY(!flag.value());

        extra.item.setState(false);
        extra.item.setMenuBased(true);
        extra.item.setState(true);
        QTRY_VERIFY(flag.value());
    }

    void anItemWithoutAButtonIsNeverClicked()
    {
        Extra extra;
        extra.item.setHasButton(false);
        extra.item.setPresented(false);
        extra.item.togglePresented();
        extra.item.setState(true);
        QCOMPARE(extra.clicks, 0);
        QVERIFY(!extra.item.state());
    }

    void laterSetupsReplaceTheWindowSubscriptions()
    {
        Extra extra;
        PresentedFlag flag;
        QSignalSpy changes(&flag, &PresentedFlag::changed);
        MenuBarExtraAccess::MenuBarExtraAccess access(0, &flag, {});
        access.setupObservers();
        access.setupObservers();
        QCoreApplication::processEvents();
        extra.window.show();
        extra.window.hide();
        QCOMPARE(changes.size(), 2);
    }

    void stopsObservingWhenReleased()
    {
        Extra extra;
        PresentedFlag flag;
        {
            MenuBarExtraAccess::MenuBarExtraAccess access(0, &flag, {});
            access.setupObservers();
            QCoreApplication::processEvents();
        }
        extra.window.show();
        QVERIFY(!flag.value());
    }
};

QTEST_MAIN(TestMenuBarExtraAccess)
#include "tst_menubarextraaccess.moc"
