// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/MenuBarExtraAccess.h"
#include "tray/PresentedFlag.h"
#include "tray/StatusItem.h"

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
} // namespace

class TestMenuBarExtraAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theFlagAndTheWindowFollowEachOther()
    {
        Extra extra;
        PresentedFlag flag;
        QSignalSpy changes(&flag, &PresentedFlag::changed);
        QList<StatusItem *> received;
        MenuBarExtraAccess::MenuBarExtraAccess access(
            0, &flag, [&](StatusItem *item) { received.append(item); });
        access.setupObservers();
        QTRY_COMPARE(received, QList<StatusItem *> { &extra.item });

        extra.item.performClick();
        QVERIFY(flag.value());

        // Losing activation closes the window and turns the flag off.
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(&extra.window, &deactivate);
        QVERIFY(!extra.window.isVisible());
        QVERIFY(!flag.value());

        // A second click while open closes it; either way the flag reports each change once.
        extra.item.performClick();
        extra.item.performClick();
        QVERIFY(!flag.value());
        QCOMPARE(extra.clicks, 3);
        QCOMPARE(changes.size(), 4);

        // Shown or hidden by other means, the window sets the flag all the same.
        extra.window.show();
        QVERIFY(flag.value());
        extra.window.hide();
        QVERIFY(!flag.value());
        QCOMPARE(extra.clicks, 3);
    }
};

QTEST_MAIN(TestMenuBarExtraAccess)
#include "tst_menubarextraaccess.moc"
