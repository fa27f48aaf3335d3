// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcut module on the real X11 backend and keyboard layout: the recorder and
// other clients' grabs, with key presses from xdotool and grabs held by a helper process.
#include "GrabHelper.h"
#include "ShortcutFixture.h"

#include "../ui/FakeRecorderServices.h"

#include "shortcuts/backends/ShortcutPlatform.h"
#include "shortcuts/ui/ShortcutRecorder.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;

namespace {

const Shortcut kControlCommandD(namedKey("d"), ControlModifier | CommandModifier);
constexpr int kXKeycodeS = 39, kXKeycodeD = 40; // evdev code + 8
constexpr int kControl = 0x4, kSuper = 0x40;

bool xdotool(const QStringList &args)
{
    QProcess process;
    process.start(u"xdotool"_s, args);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

} // namespace

class TestX11Shortcuts : public QObject
{
    Q_OBJECT

    std::optional<ShortcutPlatform> m_platform;
    std::optional<ShortcutFixture> f;

private Q_SLOTS:
    void init()
    {
        m_platform.emplace(ShortcutPlatform::create(u"xcb"_s, u"app.vantry.Vantry"_s));
        QCOMPARE(m_platform->backend->name(), u"x11"_s);
        f.emplace(m_platform->backend.get(), m_platform->layout.get());
    }

    void cleanup()
    {
        f.reset();
        m_platform.reset();
    }

    void recorderSeesTheCombinationOfAnotherClient()
    {
        // No configuration file names another program's grab: only the probe finds it.
        QVERIFY(!isSystemShortcut(kControlCommandD));
        const auto other = GrabHelper::hold(kXKeycodeD, { kControl | kSuper });
        QVERIFY(other);
        QVERIFY(isSystemShortcut(kControlCommandD));
    }

    void recorderRecordsTheCombinationWeHold()
    {
        const Name openShelfWindow(u"openShelfWindow"_s, controlCommandS);
        const Name other(u"other"_s);
        int runs = 0;
        onKeyDown(openShelfWindow, [&] { ++runs; });
        FakeRecorderServices services;
        QWidget window;
        auto *recorder = new ShortcutRecorder(other, {}, &window, &services);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::mouseClick(recorder, Qt::LeftButton);
        QVERIFY(recorder->isRecording());

        // Our own grab is released while recording, so the real key press reaches the field.
        QVERIFY(xdotool({ u"key"_s, u"ctrl+super+s"_s }));
        QTRY_COMPARE(getShortcut(other), std::optional(controlCommandS));
        QVERIFY(!recorder->isRecording());
        QCOMPARE(runs, 0);
        // Held again once recording ended.
        QVERIFY(!GrabHelper::canGrab(kXKeycodeS, { kControl | kSuper }));
        QVERIFY(xdotool({ u"key"_s, u"ctrl+super+s"_s }));
        QTRY_COMPARE(runs, 1);
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestX11Shortcuts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11shortcuts.moc"
