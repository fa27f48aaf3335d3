// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreviewSamples.h"

#include "preview/PreviewPanel.h"
#include "preview/SlidePanelPreview.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using vantry::PreviewSide;
using vantry::SlidePanelPreview;

Q_DECLARE_METATYPE(vantry::PreviewSide)

// The panel on a real X server with a window manager: it must not take the focus from
// the shelf, and the manager must leave it where it was put.
class TestSlidePanelPreviewX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X11 display");
    }

    void staysBesideTheShelfWithoutTakingFocus_data()
    {
        QTest::addColumn<PreviewSide>("side");
        QTest::newRow("right") << PreviewSide::right;
        QTest::newRow("left") << PreviewSide::left;
    }
    void staysBesideTheShelfWithoutTakingFocus()
    {
        QFETCH(PreviewSide, side);
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path()) + "/notes.txt";
        QVERIFY(samples::writeBytes(path, "notes\n"));

        QWidget shelf;
        auto *field = new QLineEdit(&shelf);
        shelf.setGeometry(500, 200, 320, 420);
        shelf.show();
        shelf.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&shelf));
        field->setFocus();

        SlidePanelPreview &preview = SlidePanelPreview::shared();
        preview.show(path, &shelf, side, 380, 300);
        QVERIFY(QTest::qWaitForWindowExposed(preview.panel()));
        QTRY_COMPARE(preview.panel()->frameGeometry(), preview.targetFrame().value());
        QCOMPARE(QApplication::activeWindow(), &shelf);
        QVERIFY(field->hasFocus());

        QTest::keyClick(field, Qt::Key_Escape);
        QTRY_VERIFY(!preview.panel()->isVisible());
        QTRY_VERIFY(!preview.panel()->windowHandle()->isExposed());
        QCOMPARE(QApplication::activeWindow(), &shelf);
    }
};

QTEST_MAIN(TestSlidePanelPreviewX11)
#include "tst_slidepanelpreview_x11.moc"
