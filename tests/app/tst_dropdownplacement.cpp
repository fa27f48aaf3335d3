// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DropDownPlacement.h"
#include "app/TrayClickPoints.h"

#include <QTest>

using namespace std::chrono_literals;
using vantry::TrayClickPoints;
using vantry::DropDownPlacement::position;

class TestDropDownPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void placesTheWindowByTheAnchor_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("expected");

        // The icon at a top panel's right end and the point a StatusNotifierItem host names
        // are placed end to end (tests/e2e/desktops.py).
        const QRect screen(0, 0, 1280, 800);
        const QSize size(300, 400);
        QTest::newRow("centred below an icon in a top panel")
            << QRect(600, 0, 24, 24) << size << QRect(0, 24, 1280, 776) << QPoint(461, 24);
        QTest::newRow("clamped to the left edge")
            << QRect(2, 1, 22, 22) << size << screen << QPoint(0, 23);
        QTest::newRow("above an icon in a bottom panel")
            << QRect(1200, 776, 24, 24) << size << QRect(0, 0, 1280, 776) << QPoint(980, 376);
        QTest::newRow("pointer low on the screen opens upwards")
            << QRect(640, 700, 1, 1) << size << screen << QPoint(490, 300);
        QTest::newRow("beside a left vertical panel")
            << QRect(0, 300, 32, 32) << size << QRect(32, 0, 1248, 800) << QPoint(32, 300);
        QTest::newRow("beside a right vertical panel, clamped to the bottom")
            << QRect(1248, 700, 32, 32) << size << QRect(0, 0, 1248, 800) << QPoint(948, 400);
        QTest::newRow("larger than the screen keeps the top left visible")
            << QRect(100, 0, 24, 24) << QSize(2000, 1000) << screen << QPoint(0, 0);
        QTest::newRow("second screen to the right")
            << QRect(2500, 0, 24, 24) << size << QRect(1280, 24, 1280, 1000) << QPoint(2260, 24);
        QTest::newRow("anchor off every screen still lands inside")
            << QRect(-500, -500, 1, 1) << size << screen << QPoint(0, 0);
    }
    void placesTheWindowByTheAnchor()
    {
        QFETCH(QRect, anchor);
        QFETCH(QSize, size);
        QFETCH(QRect, available);
        QFETCH(QPoint, expected);
        const QPoint p = position(anchor, size, available);
        QCOMPARE(p, expected);
        if (size.width() <= available.width() && size.height() <= available.height())
            QVERIFY(available.contains(QRect(p, size)));
    }

    // Qt rounds the logical screen and the frame to device pixels each on its own: at 1.5 a
    // 2560 px screen is 1707 logical pixels wide, and a frame flush with that edge would end at
    // 2561. Whole scales keep the frame flush.
    void staysOnTheScreenInDevicePixels_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("expectedX");
        QTest::newRow("1.5") << 1.5 << QRect(0, 0, 1707, 960) << 1414;
        QTest::newRow("2") << 2.0 << QRect(0, 0, 1280, 720) << 988;
    }
    void staysOnTheScreenInDevicePixels()
    {
        QFETCH(qreal, scale);
        QFETCH(QRect, available);
        QFETCH(int, expectedX);
        const QRect icon(available.right() - 24, 0, 24, 24);
        QCOMPARE(position(icon, QSize(292, 400), available, scale).x(), expectedX);
    }

    // The point a host sends with Activate arrives apart from its click, before or after it;
    // a shelf opened at another click's point would open where the user did not click.
    void eachActivatePointGoesWithOneClick()
    {
        const QPoint icon(1182, 16), elsewhere(400, 30);
        TrayClickPoints points(500ms);
        QVERIFY(!points.point(icon, 0ms));
        QVERIFY(points.click(100ms));
        QCOMPARE(points.clickPoint(100ms), icon);
        // A second copy of that point, late: still that click's.
        QVERIFY(!points.point(icon, 150ms));
        // The next click does not open at the last one's point but waits for its own.
        QVERIFY(!points.click(300ms));
        QCOMPARE(points.clickPoint(300ms), std::nullopt);
        QVERIFY(points.point(elsewhere, 350ms));
        QCOMPARE(points.clickPoint(350ms), elsewhere);

        // A click that closed the shelf before its point came: the point is that click's.
        QVERIFY(!points.click(1000ms));
        QVERIFY(points.point(icon, 1100ms));
        QVERIFY(!points.click(1300ms));
        // Points too old for a click, either way.
        QCOMPARE(points.clickPoint(1900ms), std::nullopt);
        QVERIFY(!points.point(elsewhere, 1900ms));
        QVERIFY(!points.click(2500ms));

        // Two clicks before their points, which come in the same order.
        QVERIFY(!points.click(4000ms));
        QVERIFY(!points.click(4100ms));
        QVERIFY(!points.point(icon, 4150ms));
        QVERIFY(points.point(elsewhere, 4200ms));
        QCOMPARE(points.clickPoint(4200ms), elsewhere);
    }
};

QTEST_APPLESS_MAIN(TestDropDownPlacement)
#include "tst_dropdownplacement.moc"
