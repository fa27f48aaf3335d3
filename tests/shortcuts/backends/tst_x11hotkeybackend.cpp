// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on an Xvfb display; key presses come from xdotool (XTest), other
// clients' grabs from connections of their own.
#include "GrabHelper.h"
#include "HotKeyLog.h"
#include "ShortcutFixture.h"

#include "../ui/FakeRecorderServices.h"

#include "shortcuts/backends/ShortcutPlatform.h"
#include "shortcuts/backends/X11Connection.h"
#include "shortcuts/backends/X11HotKeyBackend.h"
#include "shortcuts/ui/ShortcutRecorder.h"

#include <QProcess>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using KeyboardShortcuts::HotKeyBackend;
using KeyboardShortcuts::KeyCombination;
using KeyboardShortcuts::X11Connection;
using KeyboardShortcuts::X11HotKeyBackend;
using KeyboardShortcuts::Testing::controlCommandS;

namespace {

const KeyCombination kControlAltS { KEY_S, Qt::ControlModifier | Qt::AltModifier };
constexpr int kXKeycodeS = KEY_S + 8, kXKeycodeD = KEY_D + 8;
// Core modifier masks on the default X keymap.
constexpr int kShift = 0x1, kLock = 0x2, kControl = 0x4, kMod1 = 0x8, kNumLock = 0x10, kMod3 = 0x20,
              kSuper = 0x40;

bool xdotool(const QStringList &args)
{
    QProcess process;
    process.start(u"xdotool"_s, args);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

// Moves the Super keys from one modifier bit to another, as xmodmap users do.
bool moveSuper(const QString &from, const QString &to)
{
    return QProcess::execute(u"xmodmap"_s,
               { u"-e"_s, u"remove %1 = Super_L Super_R"_s.arg(from), u"-e"_s,
                   u"add %1 = Super_L Super_R"_s.arg(to) })
        == 0;
}

// Every lock combination that Ctrl+Super+S must be grabbed with.
QList<int> lockVariants(int modifiers)
{
    QList<int> variants;
    for (const int locks : { 0, kLock, kNumLock, kLock | kNumLock }) {
        variants << (modifiers | locks);
    }
    return variants;
}

} // namespace

class TestX11HotKeyBackend : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void pressReleaseAndHoldFireOnceWithCapsLockOn();
    void grabsEveryLockVariantOrNone();
    void keyboardChangeGrabsAgainOrReportsTheLoss();
    void platformOnXcbProbesOnlyOtherClientsAndLetsTheRecorderHaveKeys_data();
    void platformOnXcbProbesOnlyOtherClientsAndLetsTheRecorderHaveKeys();

private:
    std::shared_ptr<X11Connection> m_connection;
    std::unique_ptr<X11HotKeyBackend> m_backend;
    QStringList m_events;
};

void TestX11HotKeyBackend::initTestCase()
{
    m_connection = X11Connection::open();
    QVERIFY2(m_connection, "needs an X server with XKB");
}

void TestX11HotKeyBackend::init()
{
    m_events.clear();
    m_backend = std::make_unique<X11HotKeyBackend>(m_connection);
    logEvents(m_backend.get(), &m_events);
}

void TestX11HotKeyBackend::cleanup()
{
    m_backend.reset();
}

// Without a lock key the shortcut is pressed in the platform test below.
void TestX11HotKeyBackend::pressReleaseAndHoldFireOnceWithCapsLockOn()
{
    QCOMPARE(m_backend->registerHotKey(3, kControlSuperS), HotKeyBackend::NoError);
    QVERIFY(xdotool({ u"key"_s, u"Caps_Lock"_s }));
    const auto unlock = qScopeGuard([] { xdotool({ u"key"_s, u"Caps_Lock"_s }); });

    // Neither a plain S nor Ctrl+S alone is ours.
    QVERIFY(xdotool({ u"key"_s, u"s"_s, u"ctrl+s"_s, u"ctrl+super+s"_s }));
    QTRY_COMPARE(m_events, QStringList({ u"pressed 3"_s, u"released 3"_s }));
    m_events.clear();
    int rawPresses = 0;
    QObject counting; // disconnects the counter when the test ends
    connect(m_connection.get(), &X11Connection::keyEvent, &counting,
        [&](bool press, quint8 keycode, quint16, quint32) {
            rawPresses += press && keycode == kXKeycodeS;
        });
    QVERIFY(xdotool({ u"keydown"_s, u"ctrl+super+s"_s }));
    const auto up = qScopeGuard([] { xdotool({ u"keyup"_s, u"ctrl+super+s"_s }); });
    // The server repeats the held key; the action must not.
    QTRY_VERIFY_WITH_TIMEOUT(rawPresses >= 3, 20000);
    QCOMPARE(m_events, QStringList { u"pressed 3"_s });
    QVERIFY(xdotool({ u"keyup"_s, u"ctrl+super+s"_s }));
    QTRY_COMPARE(m_events, QStringList({ u"pressed 3"_s, u"released 3"_s }));
}

void TestX11HotKeyBackend::grabsEveryLockVariantOrNone()
{
    QCOMPARE(
        m_backend->registerHotKey(9, { 0x7fff, Qt::ControlModifier }), HotKeyBackend::UnknownKey);
    QCOMPARE(m_backend->registerHotKey(5, kControlSuperS), HotKeyBackend::NoError);
    for (const int variant : lockVariants(kControl | kSuper)) {
        QVERIFY2(
            !GrabHelper::canGrab(kXKeycodeS, { variant }), qPrintable(QString::number(variant)));
    }
    m_backend->unregisterHotKey(5);
    QVERIFY(GrabHelper::canGrab(kXKeycodeS, lockVariants(kControl | kSuper)));
    m_backend->unregisterHotKey(5); // unknown ids are ignored

    // Another client holds only the NumLock variant: refused, and nothing of
    // the failed registration may linger.
    auto other = GrabHelper::hold(kXKeycodeS, { kControl | kSuper | kNumLock });
    QVERIFY(other);
    QCOMPARE(m_backend->registerHotKey(1, kControlSuperS), HotKeyBackend::TakenByAnotherClient);
    // Other combinations of the same key stay free.
    QCOMPARE(m_backend->registerHotKey(2, { KEY_S, kControlSuperS.modifiers | Qt::ShiftModifier }),
        HotKeyBackend::NoError);
    other.reset();
    QVERIFY(GrabHelper::canGrab(kXKeycodeS, lockVariants(kControl | kSuper)));
}

void TestX11HotKeyBackend::keyboardChangeGrabsAgainOrReportsTheLoss()
{
    QCOMPARE(m_backend->registerHotKey(4, kControlSuperS), HotKeyBackend::NoError);
    QCOMPARE(m_backend->registerHotKey(5, kControlSuperD), HotKeyBackend::NoError);
    // Another client holds what Ctrl+Super+S becomes once Super moves to Mod3.
    auto other = GrabHelper::hold(kXKeycodeS, lockVariants(kControl | kMod3));
    QVERIFY(other);
    QVERIFY(moveSuper(u"mod4"_s, u"mod3"_s));
    auto restore = qScopeGuard([] { moveSuper(u"mod3"_s, u"mod4"_s); });
    QTRY_COMPARE_WITH_TIMEOUT(m_events, QStringList { u"failed 4 1"_s }, 10000);
    // D is grabbed with Super's new bit; the grab with the old one is released.
    QVERIFY(!GrabHelper::canGrab(kXKeycodeD, { kControl | kMod3 }));
    QVERIFY(GrabHelper::canGrab(kXKeycodeD, lockVariants(kControl | kSuper)));
    QVERIFY(xdotool({ u"key"_s, u"ctrl+super+d"_s }));
    QTRY_COMPARE(m_events, QStringList({ u"failed 4 1"_s, u"pressed 5"_s, u"released 5"_s }));
    other.reset();

    restore.dismiss();
    QVERIFY(moveSuper(u"mod3"_s, u"mod4"_s));
    // D back on Mod4 shows the change was handled; S, given up, stays free.
    QTRY_VERIFY_WITH_TIMEOUT(!GrabHelper::canGrab(kXKeycodeD, { kControl | kSuper }), 10000);
    QVERIFY(GrabHelper::canGrab(kXKeycodeS, lockVariants(kControl | kSuper)));
    QVERIFY(GrabHelper::canGrab(kXKeycodeS, lockVariants(kControl | kMod3)));
}

void TestX11HotKeyBackend::platformOnXcbProbesOnlyOtherClientsAndLetsTheRecorderHaveKeys_data()
{
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::newRow("X11 session") << QByteArray();
    QTest::newRow("XWayland without a portal") << "wayland-0"_ba;
}

void TestX11HotKeyBackend::platformOnXcbProbesOnlyOtherClientsAndLetsTheRecorderHaveKeys()
{
    QFETCH(QByteArray, waylandDisplay);
    if (!waylandDisplay.isEmpty()) {
        qputenv("WAYLAND_DISPLAY", waylandDisplay);
    }
    const auto restore = qScopeGuard([] { qunsetenv("WAYLAND_DISPLAY"); });
    const auto platform
        = KeyboardShortcuts::ShortcutPlatform::create(u"xcb"_s, u"app.vantry.Vantry"_s);
    QCOMPARE(platform.backend->name(), u"x11"_s);
    QCOMPARE(platform.layout->keyToCharacter(12), u"q"_s);
    KeyboardShortcuts::Testing::ShortcutFixture f(platform.backend.get(), platform.layout.get());
    const KeyboardShortcuts::Name openShelfWindow(u"openShelfWindow"_s, controlCommandS);
    int runs = 0;
    KeyboardShortcuts::onKeyDown(openShelfWindow, [&] { ++runs; });
    const auto &system = *platform.systemShortcuts;
    QVERIFY(!system.conflict(kControlSuperS)); // our own
    QVERIFY(!platform.backend->isSystemHotKey(kControlAltS));
    // The probe gave its grab back.
    QVERIFY(GrabHelper::canGrab(kXKeycodeS, lockVariants(kControl | kMod1)));

    // No configuration file names another program's grab: only the probe finds it.
    const auto other = GrabHelper::hold(kXKeycodeS, { kControl | kMod1 });
    QVERIFY(other);
    QVERIFY(platform.backend->isSystemHotKey(kControlAltS));
    QCOMPARE(system.conflict(kControlAltS)->title, u"Another application"_s);

    // Our own grab is released while recording, so the real key press reaches the field.
    const KeyboardShortcuts::Name recorded(u"other"_s);
    KeyboardShortcuts::Testing::FakeRecorderServices services;
    QWidget window;
    auto *recorder = new KeyboardShortcuts::ShortcutRecorder(recorded, {}, &window, &services);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(recorder, Qt::LeftButton);
    QVERIFY(recorder->isRecording());
    QVERIFY(xdotool({ u"key"_s, u"ctrl+super+s"_s }));
    QTRY_COMPARE(KeyboardShortcuts::getShortcut(recorded), std::optional(controlCommandS));
    QVERIFY(!recorder->isRecording());
    QCOMPARE(runs, 0);
    // Held again once recording ended, and still working after the probes.
    QVERIFY(!GrabHelper::canGrab(kXKeycodeS, { kControl | kSuper }));
    QVERIFY(xdotool({ u"key"_s, u"ctrl+super+s"_s }));
    QTRY_COMPARE(runs, 1);
}

QTEST_MAIN(TestX11HotKeyBackend)
#include "tst_x11hotkeybackend.moc"
