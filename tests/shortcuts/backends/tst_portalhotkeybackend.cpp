// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on a private session bus with a fake desktop portal.
#include "FakePortal.h"

#include "XkbLayouts.h"
#include "shortcuts/backends/PortalHotKeyBackend.h"
#include "shortcuts/backends/ShortcutPlatform.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QSignalSpy>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using KeyboardShortcuts::HotKeyBackend;
using KeyboardShortcuts::KeyCombination;
using KeyboardShortcuts::PortalHotKeyBackend;
using KeyboardShortcuts::ShortcutPlatform;
using KeyboardShortcuts::XkbKeyboardLayout;

namespace {

constexpr Qt::KeyboardModifiers kControlSuper = Qt::ControlModifier | Qt::MetaModifier;
const KeyCombination kControlSuperS { KEY_S, kControlSuper };
const KeyCombination kControlSuperD { KEY_D, kControlSuper };
constexpr int kStoredKeyS = 1; // the stored (macOS) key code of S
const QString kAppId = u"app.vantry.Vantry"_s;
// Our session token, the same in every run, and Ctrl+Super+S named on a US keyboard.
const QString kCreateS = u"CreateSession vantry hotkey-1-4352=CTRL+LOGO+s"_s;
const QString kBindS = u"BindShortcuts hotkey-1-4352=CTRL+LOGO+s"_s;

} // namespace

class TestPortalHotKeyBackend : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void preferredTriggers_data();
    void preferredTriggers();
    void bindsAndDeliversActivations();
    void changedSetBindsInANewSession();
    void followsTheCompositorsKeymap();
    void failedBindLosesItsRegistrationsAndRecovers_data();
    void failedBindLosesItsRegistrationsAndRecovers();
    void availabilityIsAskedWithoutWaiting();

private:
    std::unique_ptr<PortalHotKeyBackend> makeBackend(
        std::chrono::milliseconds timeout = PortalHotKeyBackend::defaultRequestTimeout);
    void record(HotKeyBackend *backend);

    XkbKeyboardLayout m_us { layoutNamed("us") };
    QStringList m_events;
};

void TestPortalHotKeyBackend::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a private session bus");
}

std::unique_ptr<PortalHotKeyBackend> TestPortalHotKeyBackend::makeBackend(
    std::chrono::milliseconds timeout)
{
    m_events.clear();
    auto backend = std::make_unique<PortalHotKeyBackend>(
        QDBusConnection::sessionBus(), &m_us, kAppId, timeout);
    record(backend.get());
    return backend;
}

void TestPortalHotKeyBackend::record(HotKeyBackend *backend)
{
    connect(backend, &HotKeyBackend::pressed, this,
        [this](quint32 id) { m_events << u"pressed %1"_s.arg(id); });
    connect(backend, &HotKeyBackend::released, this,
        [this](quint32 id) { m_events << u"released %1"_s.arg(id); });
    connect(backend, &HotKeyBackend::registrationFailed, this,
        [this](quint32 id, HotKeyBackend::Status status) {
            m_events << u"failed %1 %2"_s.arg(id).arg(int(status));
        });
}

void TestPortalHotKeyBackend::preferredTriggers_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("trigger");
    const int control = Qt::ControlModifier, alt = Qt::AltModifier, shift = Qt::ShiftModifier,
              super = Qt::MetaModifier;
    QTest::newRow("all four") << "us"_ba << KEY_S << (control | alt | shift | super)
                              << u"CTRL+ALT+SHIFT+LOGO+s"_s;
    QTest::newRow("alt shift F5") << "us"_ba << KEY_F5 << (alt | shift) << u"ALT+SHIFT+F5"_s;
    QTest::newRow("return") << "us"_ba << KEY_ENTER << super << u"LOGO+Return"_s;
    QTest::newRow("key of the layout") << "fr"_ba << KEY_Q << control << u"CTRL+a"_s;
    QTest::newRow("unknown key") << "us"_ba << 0x7fff << control << QString();
}

void TestPortalHotKeyBackend::preferredTriggers()
{
    QFETCH(QByteArray, layout);
    QFETCH(int, keyCode);
    QFETCH(int, modifiers);
    QFETCH(QString, trigger);
    const XkbKeyboardLayout keyboard(layoutNamed(layout));
    const PortalHotKeyBackend backend(QDBusConnection::sessionBus(), &keyboard, kAppId);
    QCOMPARE(backend.preferredTrigger({ keyCode, Qt::KeyboardModifiers(modifiers) }), trigger);
}

void TestPortalHotKeyBackend::bindsAndDeliversActivations()
{
    FakePortal portal;
    QVERIFY(portal.start());
    auto backend = makeBackend();
    QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);

    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    QCOMPARE(portal.log(), QStringList({ u"Register "_s + kAppId, kCreateS, kBindS }));

    portal.activate(u"hotkey-1-4352"_s, true);
    portal.activate(u"hotkey-1-4352"_s, true); // held: the desktop repeats
    portal.activate(u"hotkey-1-4352"_s, false);
    // Not ours: another session's activation (a previous run's), an unknown id.
    portal.activate(
        u"hotkey-1-4352"_s, true, u"/org/freedesktop/portal/desktop/session/1_9/vantry"_s);
    portal.activate(u"other"_s, true);
    portal.activate(u"hotkey-1-4352"_s, true);
    QTRY_COMPARE(m_events, QStringList({ u"pressed 1"_s, u"released 1"_s, u"pressed 1"_s }));
}

void TestPortalHotKeyBackend::changedSetBindsInANewSession()
{
    FakePortal portal;
    QVERIFY(portal.start());
    const auto backend = makeBackend();
    QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);
    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    const QString first = portal.session();

    // Taking a shortcut back and forth (a menu opening) binds nothing new.
    backend->unregisterHotKey(1);
    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    // The portal still holds the closed session's handle for a moment.
    portal.refuseSessions(2);
    QCOMPARE(backend->registerHotKey(2, kControlSuperD), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    const QString both = kCreateS + u" hotkey-2-4352=CTRL+LOGO+d"_s;
    QCOMPARE(portal.log().mid(3),
        QStringList({ u"Close "_s + first, both, both, both,
            u"BindShortcuts hotkey-1-4352=CTRL+LOGO+s hotkey-2-4352=CTRL+LOGO+d"_s }));
    portal.activate(u"hotkey-2-4352"_s, true);
    QTRY_COMPARE(m_events, QStringList { u"pressed 2"_s });
}

void TestPortalHotKeyBackend::followsTheCompositorsKeymap()
{
    FakePortal portal;
    QVERIFY(portal.start());
    XkbKeyboardLayout keyboard(layoutNamed("us"));
    PortalHotKeyBackend backend(QDBusConnection::sessionBus(), &keyboard, kAppId);
    QSignalSpy finished(&backend, &PortalHotKeyBackend::bindingFinished);
    // The session's keymap (Dvorak) arrives after the shortcut was registered,
    // before the bind: the desktop is offered the key the user's layout names.
    QCOMPARE(backend.registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QVERIFY(keyboard.setKeymap(keymapText("us", "dvorak")));
    QVERIFY(finished.wait(10000));
    QCOMPARE(portal.log().last(), u"BindShortcuts hotkey-1-4352=CTRL+LOGO+o"_s);

    // Two layouts; the compositor reports a switch to the second.
    QVERIFY(keyboard.setKeymap(keymapText("us,us", ",dvorak")));
    QCOMPARE(keyboard.keyToCharacter(kStoredKeyS), u"s"_s);
    keyboard.setState(0, 0, 0, 1);
    QCOMPARE(keyboard.keyToCharacter(kStoredKeyS), u"o"_s);
}

void TestPortalHotKeyBackend::failedBindLosesItsRegistrationsAndRecovers_data()
{
    QTest::addColumn<uint>("response");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<bool>("closed");
    QTest::newRow("user cancelled") << 1u << true << false;
    QTest::newRow("other error") << 2u << true << false;
    QTest::newRow("dialog left open") << 0u << false << false;
    QTest::newRow("session closed during the bind") << 0u << false << true;
}

void TestPortalHotKeyBackend::failedBindLosesItsRegistrationsAndRecovers()
{
    QFETCH(uint, response);
    QFETCH(bool, answered);
    QFETCH(bool, closed);
    FakePortal portal({ .bindResponse = response,
        .unanswered = answered ? QStringList() : QStringList { u"BindShortcuts"_s } });
    QVERIFY(portal.start());
    const auto backend = makeBackend(closed ? 1h : 300ms);
    QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);
    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QCOMPARE(backend->registerHotKey(2, kControlSuperD), HotKeyBackend::NoError);
    if (closed) {
        QTRY_COMPARE(portal.log().filter(u"BindShortcuts"_s).size(), 1);
        portal.closeSession();
    }
    QVERIFY(finished.wait(10000));
    QCOMPARE(m_events, QStringList({ u"failed 1 5"_s, u"failed 2 5"_s }));
    // A request given up is closed, so that a dialog cannot bind later.
    QTRY_COMPARE(portal.log().contains(u"Request.Close"_s), !answered && !closed);

    // Nothing is left half-done: the next registration starts a bind of its own.
    QCOMPARE(backend->registerHotKey(3, kControlSuperS), HotKeyBackend::NoError);
    QTRY_COMPARE(portal.log().filter(u"CreateSession"_s).size(), 2);
}

void TestPortalHotKeyBackend::availabilityIsAskedWithoutWaiting()
{
    {
        // The portal takes its time to say it has GlobalShortcuts: nothing waits.
        FakePortal portal({ .unanswered = { u"Get"_s } });
        QVERIFY(portal.start());
        const auto backend = makeBackend();
        QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);
        QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
        QTRY_COMPARE(portal.log(), QStringList { u"Get (held)"_s });
        portal.answerHeld();
        QVERIFY(finished.wait(10000));
        QCOMPARE(portal.log().mid(2), QStringList({ kCreateS, kBindS }));
    }
    // No portal at all: the registration fails once the bus says so, later ones at once.
    const auto platform = ShortcutPlatform::create(u"wayland"_s, kAppId);
    QCOMPARE(platform.backend->name(), u"portal"_s);
    record(platform.backend.get());
    QCOMPARE(platform.backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QTRY_COMPARE(m_events, QStringList { u"failed 1 4"_s });
    QCOMPARE(platform.backend->registerHotKey(2, kControlSuperS), HotKeyBackend::NoService);
}

QTEST_GUILESS_MAIN(TestPortalHotKeyBackend)
#include "tst_portalhotkeybackend.moc"
