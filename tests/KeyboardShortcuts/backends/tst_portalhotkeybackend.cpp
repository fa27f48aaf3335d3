// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on a private session bus with a fake desktop portal.
#include "FakePortal.h"

#include "KeyboardShortcuts/backends/PortalHotKeyBackend.h"
#include "KeyboardShortcuts/backends/XkbKeyboardLayout.h"

#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <linux/input-event-codes.h>
#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;
using KeyboardShortcuts::HotKeyBackend;
using KeyboardShortcuts::KeyCombination;
using KeyboardShortcuts::PortalHotKeyBackend;
using KeyboardShortcuts::XkbKeyboardLayout;

Q_DECLARE_METATYPE(FakePortal::Flavour)

namespace {

constexpr Qt::KeyboardModifiers kControlSuper = Qt::ControlModifier | Qt::MetaModifier;
const KeyCombination kControlSuperS { KEY_S, kControlSuper };
const KeyCombination kControlSuperD { KEY_D, kControlSuper };
constexpr int kStoredKeyS = 1; // the stored (macOS) key code of S
const QString kAppId = u"app.vantry.Vantry"_s;
// Our session token, the same in every run, and Ctrl+Super+S named on a US keyboard.
const QString kCreateS = u"CreateSession vantry hotkey-1-4352=CTRL+LOGO+s"_s;

XkbKeyboardLayout::Names layoutNamed(const QByteArray &layout)
{
    XkbKeyboardLayout::Names names;
    names.layout = layout;
    return names;
}

// A keymap in the text form a Wayland compositor sends.
QByteArray keymapText(const char *layout, const char *variant)
{
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const xkb_rule_names names { nullptr, nullptr, layout, variant, nullptr };
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char *text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    QByteArray result(text);
    std::free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return result;
}

} // namespace

class TestPortalHotKeyBackend : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void withoutPortalRegistrationFailsWithNoService();
    void preferredTriggers_data();
    void preferredTriggers();
    void bindsAndDeliversActivations_data();
    void bindsAndDeliversActivations();
    void pendingUntilTheUserAssignsAKey_data();
    void pendingUntilTheUserAssignsAKey();
    void restartKeepsTheAssignmentAndAsksNoMore();
    void changedSetBindsInANewSession();
    void followsTheCompositorsKeymap();
    void refusalsAreReported_data();
    void refusalsAreReported();

private:
    std::unique_ptr<PortalHotKeyBackend> makeBackend();
    void record(HotKeyBackend *backend);

    XkbKeyboardLayout m_us { layoutNamed("us") };
    QStringList m_events;
};

void TestPortalHotKeyBackend::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "needs a private session bus");
}

std::unique_ptr<PortalHotKeyBackend> TestPortalHotKeyBackend::makeBackend()
{
    m_events.clear();
    auto backend
        = std::make_unique<PortalHotKeyBackend>(QDBusConnection::sessionBus(), &m_us, kAppId);
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

void TestPortalHotKeyBackend::withoutPortalRegistrationFailsWithNoService()
{
    const auto backend = makeBackend();
    QVERIFY(!backend->isAvailable());
    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoService);
}

void TestPortalHotKeyBackend::preferredTriggers_data()
{
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("trigger");
    const int control = Qt::ControlModifier, alt = Qt::AltModifier, shift = Qt::ShiftModifier,
              super = Qt::MetaModifier;
    QTest::newRow("control super s") << "us"_ba << KEY_S << (control | super) << u"CTRL+LOGO+s"_s;
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

void TestPortalHotKeyBackend::bindsAndDeliversActivations_data()
{
    QTest::addColumn<bool>("registry");
    QTest::addColumn<FakePortal::Flavour>("flavour");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("Plasma 5.27 with the host registry")
        << true << FakePortal::Flavour::Plasma527
        << QStringList { u"Register "_s + kAppId, kCreateS };
    QTest::newRow("Plasma 5.27 without it")
        << false << FakePortal::Flavour::Plasma527 << QStringList { kCreateS };
    QTest::newRow("portal that lists what it bound")
        << false << FakePortal::Flavour::ListsBound
        << QStringList { kCreateS, u"BindShortcuts hotkey-1-4352=CTRL+LOGO+s"_s };
}

void TestPortalHotKeyBackend::bindsAndDeliversActivations()
{
    QFETCH(bool, registry);
    QFETCH(FakePortal::Flavour, flavour);
    QFETCH(QStringList, calls);
    FakePortal portal({ registry, 0, {}, flavour });
    QVERIFY(portal.start());
    const auto backend = makeBackend();
    QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);

    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    QCOMPARE(portal.log(), calls);
    // The preferred trigger was free: bound at once, nobody is sent to the settings.
    QVERIFY(!backend->isPending(1));
    QCOMPARE(portal.opened(), QStringList());

    portal.activate(u"hotkey-1-4352"_s, true);
    portal.activate(u"hotkey-1-4352"_s, true); // held: the desktop repeats
    portal.activate(u"hotkey-1-4352"_s, false);
    QTRY_COMPARE(m_events, QStringList({ u"pressed 1"_s, u"released 1"_s }));

    // Not ours: another session's activation, an unknown id.
    portal.activate(u"hotkey-1-4352"_s, true, u"/org/freedesktop/portal/desktop/session/x/y"_s);
    portal.activate(u"other"_s, true);
    portal.activate(u"hotkey-1-4352"_s, true);
    QTRY_COMPARE(m_events.size(), 3);
    QCOMPARE(m_events.last(), u"pressed 1"_s);
}

void TestPortalHotKeyBackend::pendingUntilTheUserAssignsAKey_data()
{
    QTest::addColumn<FakePortal::Flavour>("flavour");
    QTest::addColumn<QStringList>("opened");
    // What the issue saw: BindShortcuts answers 0 with an empty list, and sends
    // the user to System Settings.
    QTest::newRow("Plasma 5.27, front end without restore")
        << FakePortal::Flavour::Plasma527WithoutRestore
        << QStringList { u"systemsettings://kcm_keys/vantry"_s };
    QTest::newRow("left out of the bind's answer")
        << FakePortal::Flavour::ListsBound << QStringList();
}

void TestPortalHotKeyBackend::pendingUntilTheUserAssignsAKey()
{
    QFETCH(FakePortal::Flavour, flavour);
    QFETCH(QStringList, opened);
    // The desktop already uses Ctrl+Super+S: it accepts ours without a key.
    FakePortal portal({ true, 0, { u"CTRL+LOGO+s"_s }, flavour });
    QVERIFY(portal.start());
    const auto backend = makeBackend();
    QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);
    QSignalSpy pending(backend.get(), &HotKeyBackend::pendingChanged);
    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    QVERIFY(backend->isPending(1));
    QCOMPARE(pending.size(), 1);
    QCOMPARE(pending.at(0), QVariantList({ 1u, true }));
    QCOMPARE(m_events, QStringList()); // pending is no failure
    QCOMPARE(portal.opened(), opened);

    // The user assigns a key in the desktop's settings; it works from then on.
    portal.assign(u"hotkey-1-4352"_s, u"CTRL+LOGO+x"_s);
    QTRY_VERIFY(!backend->isPending(1));
    QCOMPARE(pending.last(), QVariantList({ 1u, false }));
    portal.activate(u"hotkey-1-4352"_s, true);
    QTRY_COMPARE(m_events, QStringList { u"pressed 1"_s });

    // Taken away again: pending again, still registered.
    portal.assign(u"hotkey-1-4352"_s, {});
    QTRY_VERIFY(backend->isPending(1));
    portal.activate(u"hotkey-1-4352"_s, false);
    QTRY_COMPARE(m_events, QStringList({ u"pressed 1"_s, u"released 1"_s }));
}

void TestPortalHotKeyBackend::restartKeepsTheAssignmentAndAsksNoMore()
{
    FakePortal portal({});
    QVERIFY(portal.start());
    for (int run = 0; run < 2; ++run) {
        const auto backend = makeBackend();
        QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);
        QCOMPARE(backend->registerHotKey(7, kControlSuperS), HotKeyBackend::NoError);
        QVERIFY(finished.wait(10000));
        QVERIFY(!backend->isPending(7));
        if (run == 0) {
            // The user picks another key in System Settings.
            portal.assign(u"hotkey-1-4352"_s, u"CTRL+LOGO+x"_s);
        }
        portal.activate(u"hotkey-1-4352"_s, true);
        QTRY_COMPARE(m_events, QStringList { u"pressed 7"_s });
    }
    // The same session token each run, so the desktop files the key under one
    // name; it is never sent to its settings (that would happen at every start).
    QCOMPARE(portal.log().filter(u"CreateSession"_s), QStringList({ kCreateS, kCreateS }));
    QCOMPARE(portal.log().filter(u"BindShortcuts"_s), QStringList());
    QCOMPARE(portal.opened(), QStringList());
}

void TestPortalHotKeyBackend::changedSetBindsInANewSession()
{
    FakePortal portal({});
    QVERIFY(portal.start());
    auto backend = makeBackend();
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
    QCOMPARE(portal.log().mid(2), QStringList({ u"Close "_s + first, both, both, both }));
    QCOMPARE(m_events, QStringList());
    QVERIFY(!backend->isPending(1));
    QVERIFY(!backend->isPending(2));

    portal.activate(u"hotkey-2-4352"_s, true);
    QTRY_COMPARE(m_events, QStringList { u"pressed 2"_s });

    const QString second = portal.session();
    backend.reset();
    QTRY_COMPARE(portal.log().last(), u"Close "_s + second);
}

void TestPortalHotKeyBackend::followsTheCompositorsKeymap()
{
    FakePortal portal({});
    QVERIFY(portal.start());
    XkbKeyboardLayout keyboard(layoutNamed("us"));
    QSignalSpy changed(&keyboard, &XkbKeyboardLayout::layoutChanged);
    PortalHotKeyBackend backend(QDBusConnection::sessionBus(), &keyboard, kAppId);
    QSignalSpy finished(&backend, &PortalHotKeyBackend::bindingFinished);

    // The session's keymap (Dvorak) arrives after the shortcut was registered,
    // before the bind: the desktop is offered the key the user's layout names.
    QCOMPARE(backend.registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QVERIFY(keyboard.setKeymap(keymapText("us", "dvorak")));
    QCOMPARE(changed.size(), 1);
    QVERIFY(finished.wait(10000));
    QCOMPARE(portal.log().last(), u"CreateSession vantry hotkey-1-4352=CTRL+LOGO+o"_s);

    // Two layouts; the compositor reports a switch to the second.
    QVERIFY(keyboard.setKeymap(keymapText("us,us", ",dvorak")));
    QCOMPARE(keyboard.keyToCharacter(kStoredKeyS), u"s"_s);
    keyboard.setState(0, 0, 0, 1);
    QCOMPARE(changed.size(), 3);
    QCOMPARE(keyboard.keyToCharacter(kStoredKeyS), u"o"_s);
    keyboard.setState(0x40, 0, 0, 1); // only a modifier: the layout stays
    QCOMPARE(changed.size(), 3);

    // A keymap that does not compile leaves the last good one.
    QVERIFY(!keyboard.setKeymap("xkb_keymap { broken"));
    QCOMPARE(keyboard.keyToCharacter(kStoredKeyS), u"o"_s);
    QVERIFY(keyboard.setKeymap(keymapText("fr", "")));
    QCOMPARE(keyboard.keyToCharacter(12), u"a"_s);
}

void TestPortalHotKeyBackend::refusalsAreReported_data()
{
    QTest::addColumn<uint>("response");
    QTest::newRow("user cancelled") << 1u;
    QTest::newRow("other error") << 2u;
}

void TestPortalHotKeyBackend::refusalsAreReported()
{
    QFETCH(uint, response);
    FakePortal portal({ true, response, {}, FakePortal::Flavour::ListsBound });
    QVERIFY(portal.start());
    const auto backend = makeBackend();
    QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);
    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QCOMPARE(backend->registerHotKey(2, kControlSuperD), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    QCOMPARE(m_events, QStringList({ u"failed 1 5"_s, u"failed 2 5"_s }));
}

QTEST_GUILESS_MAIN(TestPortalHotKeyBackend)
#include "tst_portalhotkeybackend.moc"
