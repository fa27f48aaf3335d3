// SPDX-License-Identifier: GPL-3.0-or-later
#include "preview/PreviewPlacement.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vantry::PreviewSide;

using OptionalRect = std::optional<QRect>;
Q_DECLARE_METATYPE(OptionalRect)
Q_DECLARE_METATYPE(vantry::PreviewSide)

class TestPreviewPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void panelFrame_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<PreviewSide>("side");
        QTest::addColumn<OptionalRect>("visible");
        QTest::addColumn<QRect>("expected");

        // A 1920 x 1080 screen with a 32 pixel panel at the top.
        const OptionalRect screen = QRect(0, 32, 1920, 1048);
        const QRect shelf(800, 40, 320, 420); // bottom edge at y = 460

        QTest::newRow("right: beside, bottoms aligned")
            << shelf << PreviewSide::right << screen << QRect(1128, 160, 380, 300);
        QTest::newRow("left: beside, bottoms aligned")
            << shelf << PreviewSide::left << screen << QRect(412, 160, 380, 300);

        // A shelf flush with the right edge (under a tray icon at the end of a top panel):
        // the panel goes to the other side rather than past the screen edge.
        QTest::newRow("right: flips to the left at the right edge") << QRect(
            1600, 40, 320, 420) << PreviewSide::right << screen << QRect(1212, 160, 380, 300);
        QTest::newRow("left: flips on a visible area not starting at zero")
            << QRect(1950, 40, 320, 420) << PreviewSide::left
            << OptionalRect(QRect(1920, 0, 1280, 1024)) << QRect(2278, 160, 380, 300);
        // Room on neither side: the side with more room, pulled inside (over the shelf).
        QTest::newRow("left: neither fits, more room on the right")
            << QRect(250, 100, 400, 400) << PreviewSide::left
            << OptionalRect(QRect(0, 0, 1000, 800)) << QRect(620, 200, 380, 300);
        QTest::newRow("right: neither fits, equal room keeps the side")
            << QRect(250, 100, 400, 400) << PreviewSide::right
            << OptionalRect(QRect(0, 0, 900, 800)) << QRect(520, 200, 380, 300);
        QTest::newRow("right: wider than the visible area keeps its left edge")
            << QRect(0, 0, 100, 500) << PreviewSide::right << OptionalRect(QRect(0, 0, 300, 800))
            << QRect(0, 200, 380, 300);

        // The top and bottom stay inside the visible area on both sides.
        QTest::newRow("right: top kept below the visible top")
            << QRect(800, 0, 320, 100) << PreviewSide::right << screen << QRect(1128, 32, 380, 300);
        // A shelf low on the screen: the bottom is raised to the visible bottom.
        QTest::newRow("left: bottom raised to the visible bottom") << QRect(
            800, 900, 320, 400) << PreviewSide::left << screen << QRect(412, 780, 380, 300);
        // Taller than the visible area: the bottom rule is applied last and wins.
        QTest::newRow("left: bottom wins over top")
            << QRect(800, 40, 320, 420) << PreviewSide::left
            << OptionalRect(QRect(0, 100, 1920, 200)) << QRect(412, 0, 380, 300);
        // No screen at all: nothing to clamp to.
        QTest::newRow("left: no screen") << QRect(100, 900, 320, 400) << PreviewSide::left
                                         << OptionalRect() << QRect(-288, 1000, 380, 300);
        // Without it, a no-screen case that always took the left side would pass.
        QTest::newRow("right: no screen") << QRect(100, 900, 320, 400) << PreviewSide::right
                                          << OptionalRect() << QRect(428, 1000, 380, 300);
    }
    void panelFrame()
    {
        QFETCH(QRect, anchor);
        QFETCH(PreviewSide, side);
        QFETCH(OptionalRect, visible);
        QFETCH(QRect, expected);
        QCOMPARE(vantry::previewPanelFrame(anchor, side, QSize(380, 300), visible), expected);
    }
};

QTEST_GUILESS_MAIN(TestPreviewPlacement)
#include "tst_previewplacement.moc"
