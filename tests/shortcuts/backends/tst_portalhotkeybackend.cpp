// SPDX-License-Identifier: GPL-3.0-or-later
// GIO first: its headers use "signals" as a name, which Qt defines as a keyword.
#include <gio/gio.h>

// Runs on a private session bus with a fake desktop portal.
#include "FakePortal.h"
#include "HotKeyLog.h"

#include "XkbLayouts.h"
#include "shortcuts/backends/GnomeHotKeyBackend.h"
#include "shortcuts/backends/PortalHotKeyBackend.h"
#include "shortcuts/backends/ShortcutPlatform.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QSignalSpy>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using KeyboardShortcuts::GnomeHotKeyBackend;
using KeyboardShortcuts::HotKeyBackend;
using KeyboardShortcuts::KeyCombination;
using KeyboardShortcuts::PortalHotKeyBackend;
using KeyboardShortcuts::ShortcutPlatform;
using KeyboardShortcuts::XkbKeyboardLayout;

namespace {

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
    void bindsAndDeliversActivationsAndRebindsAChangedSet();
    void followsTheCompositorsKeymap();
    void failedBindLosesItsRegistrationsAndRecovers_data();
    void failedBindLosesItsRegistrationsAndRecovers();
    void availabilityIsAskedWithoutWaiting();

private:
    std::unique_ptr<PortalHotKeyBackend> makeBackend(
        std::chrono::milliseconds timeout = PortalHotKeyBackend::defaultRequestTimeout);

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
    logEvents(backend.get(), &m_events);
    return backend;
}

void TestPortalHotKeyBackend::preferredTriggers_data()
{
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("trigger");
    const int control = Qt::ControlModifier, alt = Qt::AltModifier, shift = Qt::ShiftModifier,
              super = Qt::MetaModifier;
    QTest::newRow("all four") << KEY_S << (control | alt | shift | super)
                              << u"CTRL+ALT+SHIFT+LOGO+s"_s;
    // The key's name, not its text: function keys type none.
    QTest::newRow("alt shift F5") << KEY_F5 << (alt | shift) << u"ALT+SHIFT+F5"_s;
    QTest::newRow("unknown key") << 0x7fff << control << QString();
}

void TestPortalHotKeyBackend::preferredTriggers()
{
    QFETCH(int, keyCode);
    QFETCH(int, modifiers);
    QFETCH(QString, trigger);
    const PortalHotKeyBackend backend(QDBusConnection::sessionBus(), &m_us, kAppId);
    QCOMPARE(backend.preferredTrigger({ keyCode, Qt::KeyboardModifiers(modifiers) }), trigger);
}

void TestPortalHotKeyBackend::bindsAndDeliversActivationsAndRebindsAChangedSet()
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
    m_events.clear();
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
    logEvents(platform.backend.get(), &m_events);
    QCOMPARE(platform.backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QTRY_COMPARE(m_events, QStringList { u"failed 1 4"_s });
    QCOMPARE(platform.backend->registerHotKey(2, kControlSuperS), HotKeyBackend::NoService);

    // GNOME without the portal: a custom shortcut of GNOME's own. With the portal (GNOME
    // 48) the portal, and our old custom shortcut goes, or GNOME would run both.
    qputenv("GSETTINGS_BACKEND", "memory");
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    const auto restore = qScopeGuard([] { qunsetenv("XDG_CURRENT_DESKTOP"); });
    QCOMPARE(ShortcutPlatform::create(u"wayland"_s, kAppId).backend->name(), u"gnome"_s);
    GnomeHotKeyBackend(&m_us, u"vantry --toggle"_s).registerHotKey(1, kControlSuperS);
    GSettings *list = g_settings_new(GnomeHotKeyBackend::listSchema);
    const auto filed = [list] {
        gchar **paths = g_settings_get_strv(list, "custom-keybindings");
        const guint count = g_strv_length(paths);
        g_strfreev(paths);
        return count;
    };
    QCOMPARE(filed(), 1U);
    FakePortal portal;
    QVERIFY(portal.start());
    QCOMPARE(ShortcutPlatform::create(u"wayland"_s, kAppId).backend->name(), u"portal"_s);
    QCOMPARE(filed(), 0U);
    g_object_unref(list);
}

QTEST_GUILESS_MAIN(TestPortalHotKeyBackend)
#include "tst_portalhotkeybackend.moc"
