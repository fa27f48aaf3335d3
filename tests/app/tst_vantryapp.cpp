// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/VantryApp.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
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

class TestVantryApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
