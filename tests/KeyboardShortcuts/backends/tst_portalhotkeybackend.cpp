// SPDX-License-Identifier: GPL-3.0-or-later
// Runs on a private session bus with a fake desktop portal.
#include "FakePortal.h"

#include "KeyboardShortcuts/backends/PortalHotKeyBackend.h"
#include "KeyboardShortcuts/backends/XkbKeyboardLayout.h"

#include <QSignalSpy>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace Qt::StringLiterals;
using KeyboardShortcuts::HotKeyBackend;
using KeyboardShortcuts::KeyCombination;
using KeyboardShortcuts::PortalHotKeyBackend;
using KeyboardShortcuts::XkbKeyboardLayout;

namespace {

constexpr Qt::KeyboardModifiers kControlSuper = Qt::ControlModifier | Qt::MetaModifier;
const KeyCombination kControlSuperS { KEY_S, kControlSuper };
const KeyCombination kControlSuperD { KEY_D, kControlSuper };
const QString kAppId = u"app.vantry.Vantry"_s;

XkbKeyboardLayout::Names layoutNamed(const QByteArray &layout)
{
    XkbKeyboardLayout::Names names;
    names.layout = layout;
    return names;
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
    void changedSetBindsInANewSession();
    void refusedBindingsAreReported_data();
    void refusedBindingsAreReported();

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
    QTest::newRow("portal with the host registry") << true;
    QTest::newRow("older portal without it") << false;
}

void TestPortalHotKeyBackend::bindsAndDeliversActivations()
{
    QFETCH(bool, registry);
    FakePortal portal({ registry, 0, {} });
    QVERIFY(portal.start());
    const auto backend = makeBackend();
    QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);

    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    QStringList expected { u"CreateSession"_s, u"BindShortcuts hotkey-1-4352=CTRL+LOGO+s"_s };
    if (registry) {
        expected.prepend(u"Register "_s + kAppId);
    }
    QCOMPARE(portal.log(), expected);

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
    QCOMPARE(backend->registerHotKey(2, kControlSuperD), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    QCOMPARE(portal.log().mid(3),
        QStringList({ u"Close "_s + first, u"CreateSession"_s,
            u"BindShortcuts hotkey-1-4352=CTRL+LOGO+s hotkey-2-4352=CTRL+LOGO+d"_s }));
    QVERIFY(portal.session() != first);

    // The old session's activations no longer count.
    portal.activate(u"hotkey-2-4352"_s, true, first);
    portal.activate(u"hotkey-2-4352"_s, true);
    QTRY_COMPARE(m_events, QStringList { u"pressed 2"_s });

    const QString second = portal.session();
    backend.reset();
    QTRY_COMPARE(portal.log().last(), u"Close "_s + second);
}

void TestPortalHotKeyBackend::refusedBindingsAreReported_data()
{
    QTest::addColumn<uint>("response");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QStringList>("failures");
    QTest::newRow("user cancelled")
        << 1u << QStringList() << QStringList({ u"failed 1 5"_s, u"failed 2 5"_s });
    QTest::newRow("desktop left one out")
        << 0u << QStringList { u"hotkey-2-4352"_s } << QStringList { u"failed 2 5"_s };
}

void TestPortalHotKeyBackend::refusedBindingsAreReported()
{
    QFETCH(uint, response);
    QFETCH(QStringList, refused);
    QFETCH(QStringList, failures);
    FakePortal portal({ true, response, QSet<QString>(refused.begin(), refused.end()) });
    QVERIFY(portal.start());
    const auto backend = makeBackend();
    QSignalSpy finished(backend.get(), &PortalHotKeyBackend::bindingFinished);
    QCOMPARE(backend->registerHotKey(1, kControlSuperS), HotKeyBackend::NoError);
    QCOMPARE(backend->registerHotKey(2, kControlSuperD), HotKeyBackend::NoError);
    QVERIFY(finished.wait(10000));
    QCOMPARE(m_events, failures);
}

QTEST_GUILESS_MAIN(TestPortalHotKeyBackend)
#include "tst_portalhotkeybackend.moc"
