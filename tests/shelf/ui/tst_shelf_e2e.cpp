// SPDX-License-Identifier: GPL-3.0-or-later
// The shelf window on a real X server, driven by the real mouse (xdotool through
// XTEST), with a window manager giving it focus: a drag reaches another program.
#include "ShelfTestHost.h"

#include "shelf/ui/ShelfListModel.h"
#include "shelf/ui/ShelfListView.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantry;
using namespace vantry::test;

class ShelfEndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            QSKIP("xdotool is not installed");
        if (QGuiApplication::platformName() != u"xcb"_s)
            QSKIP("needs an X server");
    }

    void dragOutDeliversACopyToAnotherProgram()
    {
        ShelfTestHost host({ "letter.txt", "notes.txt" });
        QVERIFY(host.show());
        QProcess receiver;
        receiver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        receiver.start(QString::fromUtf8(VANTRY_DROP_TARGET), {});
        QVERIFY(receiver.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += receiver.readAllStandardOutput()).contains('\n'), 30000);
        const QList<QByteArray> ready = output.trimmed().split(' ');
        QCOMPARE(ready.size(), 3);
        QCOMPARE(ready.at(0), "ready"_ba);
        const QPoint to(ready.at(1).toInt(), ready.at(2).toInt());

        ShelfListView *list = host.list();
        const QRect row
            = list->visualRect(host.model()->index(host.model()->rowOf(host.pathOf("letter.txt"))));
        const QPoint from = list->viewport()->mapToGlobal(row.center() - QPoint(40, 0));
        const auto xy = [](const QPoint &p) {
            return QStringList { QString::number(p.x()), QString::number(p.y()) };
        };
        // Press, move a little to start the drag, travel to the receiver, release.
        QStringList script { u"mousemove"_s };
        script << xy(from) << u"mousedown"_s << u"1"_s << u"sleep"_s << u"0.3"_s << u"mousemove"_s
               << xy(from + QPoint(20, 4)) << u"sleep"_s << u"0.3"_s << u"mousemove"_s
               << xy(to - QPoint(20, 0)) << u"sleep"_s << u"0.3"_s << u"mousemove"_s << xy(to)
               << u"sleep"_s << u"0.5"_s << u"mouseup"_s << u"1"_s;
        QProcess driver;
        driver.start(u"xdotool"_s, script);
        QVERIFY(driver.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(driver.state() == QProcess::NotRunning, 30000);
        output.clear();
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += receiver.readAllStandardOutput()).contains("dropped"), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(receiver.state() == QProcess::NotRunning, 20000);
        output += receiver.readAllStandardOutput();

        const QList<QByteArray> dropped = output.trimmed().split(' ');
        QCOMPARE(dropped.size(), 4);
        QCOMPARE(dropped.at(1).toInt(), int(Qt::CopyAction)); // proposed
        QCOMPARE(dropped.at(2).toInt(), int(Qt::CopyAction)); // the only one offered
        QCOMPARE(dropped.at(3), host.pathOf("letter.txt"));
        // The shelf keeps its file and its item.
        QVERIFY(host.files().exists("letter.txt"));
        QCOMPARE(host.model()->rowCount(), 2);
    }
};

QTEST_MAIN(ShelfEndToEndTest)
#include "tst_shelf_e2e.moc"
