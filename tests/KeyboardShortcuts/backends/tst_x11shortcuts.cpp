// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcut module on the real X11 backend: names, actions and the error
// line, with key presses from xdotool and other clients' grabs from a helper.
#include "GrabHelper.h"
#include "StdoutCapture.h"

#include "../ui/FakeRecorderServices.h"

#include "KeyboardShortcuts/KeyboardShortcuts.h"
#include "KeyboardShortcuts/backends/ShortcutPlatform.h"
#include "KeyboardShortcuts/ui/RecorderHost.h"
#include "KeyboardShortcuts/ui/ShortcutRecorder.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace KeyboardShortcuts;

namespace {

const Shortcut kControlCommandS(1, 0x1100);
const Shortcut kControlCommandD(2, 0x1100);
constexpr int kXKeycodeD = 40; // evdev KEY_D + 8
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

private Q_SLOTS:
    void init();
    void cleanup();
    void defaultShortcutFiresItsAction_data();
    void defaultShortcutFiresItsAction();
    void combinationOfAnotherClientPrintsTheErrorLine();
    void recorderSeesTheCombinationOfAnotherClient();
    void recorderRecordsTheCombinationWeHold();
    void shownShortcutFollowsALayoutSwitch();
    void refusedShortcutShowsANote();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<vantry::UserDefaults> m_store;
    std::unique_ptr<ShortcutPlatform> m_platform;
    std::unique_ptr<ShortcutCenter> m_center;
};

void TestX11Shortcuts::init()
{
    m_store = std::make_unique<vantry::UserDefaults>(m_dir.filePath(u"vantry.conf"_s));
    m_platform = std::make_unique<ShortcutPlatform>(
        ShortcutPlatform::create(u"xcb"_s, u"app.vantry.Vantry"_s));
    QCOMPARE(m_platform->backend->name(), u"x11"_s);
    m_center = std::make_unique<ShortcutCenter>(
        m_store.get(), m_platform->backend.get(), m_platform->layout.get());
}

void TestX11Shortcuts::cleanup()
{
    m_center.reset();
    m_platform.reset();
    m_store.reset();
    QFile::remove(m_dir.filePath(u"vantry.conf"_s));
}

void TestX11Shortcuts::defaultShortcutFiresItsAction_data()
{
    QTest::addColumn<QString>("lockKey");
    QTest::newRow("no lock") << QString();
    QTest::newRow("NumLock on") << u"Num_Lock"_s;
}

void TestX11Shortcuts::defaultShortcutFiresItsAction()
{
    QFETCH(QString, lockKey);
    const Name openShelfWindow(u"openShelfWindow"_s, kControlCommandS);
    QStringList events;
    onKeyDown(openShelfWindow, [&] { events << u"down"_s; });
    onKeyUp(openShelfWindow, [&] { events << u"up"_s; });
    if (!lockKey.isEmpty()) {
        QVERIFY(xdotool({ u"key"_s, lockKey }));
    }
    const auto unlock = qScopeGuard([&] {
        if (!lockKey.isEmpty()) {
            xdotool({ u"key"_s, lockKey });
        }
    });
    QVERIFY(xdotool({ u"key"_s, u"ctrl+super+s"_s }));
    QTRY_COMPARE(events, QStringList({ u"down"_s, u"up"_s }));

    // The action follows the name to its new shortcut; the old one is free.
    setShortcut(kControlCommandD, openShelfWindow);
    QVERIFY(GrabHelper::canGrab(39, { kControl | kSuper }));
    QVERIFY(xdotool({ u"key"_s, u"ctrl+super+d"_s }));
    QTRY_COMPARE(events.size(), 4);
}

void TestX11Shortcuts::combinationOfAnotherClientPrintsTheErrorLine()
{
    const auto other = GrabHelper::hold(kXKeycodeD, { kControl | kSuper });
    QVERIFY(other);
    Testing::StdoutCapture capture;
    const Name name(u"openShelfWindow"_s, kControlCommandD);
    QCOMPARE(QString::fromUtf8(capture.text()), u"Error registering hotkey ⌃⌘D: 1\n"_s);
}

void TestX11Shortcuts::recorderSeesTheCombinationOfAnotherClient()
{
    // No configuration file names another program's grab: only the probe finds it.
    QVERIFY(!isSystemShortcut(kControlCommandD));
    const auto other = GrabHelper::hold(kXKeycodeD, { kControl | kSuper });
    QVERIFY(other);
    QVERIFY(isSystemShortcut(kControlCommandD));
}

void TestX11Shortcuts::recorderRecordsTheCombinationWeHold()
{
    const Name openShelfWindow(u"openShelfWindow"_s, kControlCommandS);
    const Name other(u"other"_s);
    int runs = 0;
    onKeyDown(openShelfWindow, [&] { ++runs; });
    Testing::FakeRecorderServices services;
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLineEdit(&window));
    auto *recorder = new ShortcutRecorder(other, {}, &window, &services);
    layout->addWidget(recorder);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    recorder->setFocus(Qt::MouseFocusReason);
    QVERIFY(recorder->isRecording());

    // Our own grab is released while recording, so the real key press reaches the field.
    QVERIFY(xdotool({ u"key"_s, u"ctrl+super+s"_s }));
    QTRY_COMPARE(getShortcut(other), std::optional(kControlCommandS));
    QVERIFY(!recorder->isRecording());
    QCOMPARE(runs, 0);
    // Held again once recording ended.
    QVERIFY(!GrabHelper::canGrab(39, { kControl | kSuper }));
    QVERIFY(xdotool({ u"key"_s, u"ctrl+super+s"_s }));
    QTRY_COMPARE(runs, 1);
}

void TestX11Shortcuts::shownShortcutFollowsALayoutSwitch()
{
    const Name name(u"openShelfWindow"_s, kControlCommandS);
    Testing::FakeRecorderServices services;
    RecorderHost host(u"Open Window:"_s, name, {}, nullptr, &services);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(host.recorder()->text(), u"Ctrl+Super+S"_s);
    // On Dvorak the key at the place of S types O.
    QCOMPARE(
        QProcess::execute(u"setxkbmap"_s, { u"-layout"_s, u"us"_s, u"-variant"_s, u"dvorak"_s }),
        0);
    const auto restore = qScopeGuard([] { QProcess::execute(u"setxkbmap"_s, { u"us"_s }); });
    QTRY_COMPARE(host.recorder()->text(), u"Ctrl+Super+O"_s);
}

void TestX11Shortcuts::refusedShortcutShowsANote()
{
    const auto other = GrabHelper::hold(kXKeycodeD, { kControl | kSuper });
    QVERIFY(other);
    const Name name(u"openShelfWindow"_s, kControlCommandD);
    Testing::StdoutCapture capture;
    onKeyDown(name, [] {});
    Testing::FakeRecorderServices services;
    RecorderHost host(u"Open Window:"_s, name, {}, nullptr, &services);
    QVERIFY(!host.refusalNote()->isHidden());
    setShortcut(kControlCommandS, name);
    QVERIFY(host.refusalNote()->isHidden());
}

int main(int argc, char **argv)
{
    if (const int helper = GrabHelper::runIfRequested(argc, argv); helper >= 0) {
        return helper;
    }
    QApplication app(argc, argv);
    TestX11Shortcuts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_x11shortcuts.moc"
