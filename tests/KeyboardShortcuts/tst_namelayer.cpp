// SPDX-License-Identifier: GPL-3.0-or-later
// Actions, streams and switches of named shortcuts over a recording backend,
// and the path through ordinary key events while one of our menus is open.
#include "FakeHotKeyBackend.h"
#include "FixedKeyboardLayout.h"
#include "StdoutCapture.h"

#include "KeyboardShortcuts/HotKeyDispatcher.h"
#include "KeyboardShortcuts/KeyboardShortcuts.h"
#include "KeyboardShortcuts/NameLayer.h"

#include "platform/UserDefaults.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <linux/input-event-codes.h>

#include <memory>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

namespace {

const Shortcut kControlCommandS(Key::s, CommandModifier | ControlModifier);
const Shortcut kOptionF(Key::f, OptionModifier);

using State = HotKeyDispatcher::State;

// Counts the key events that get past the application's filters to an object.
class KeyEventCounter final : public QObject
{
public:
    int presses = 0;
    int releases = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            ++presses;
        if (event->type() == QEvent::KeyRelease)
            ++releases;
        return false;
    }
};

} // namespace

class TestNameLayer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void namesSharingAShortcutBothFire();
    void nameLeavingASharedShortcutLeavesItToTheOther_data();
    void nameLeavingASharedShortcutLeavesItToTheOther();
    void actionAttachedBeforeTheShortcutFiresAfterSetShortcut();
    void changingTheShortcutMovesTheRegistration();
    void keyUpActionsRunOnRelease();
    void suspendedHandlersRunNothing();
    void contextBoundActionStopsWithItsContext();
    void refusedRegistration_data();
    void refusedRegistration();
    void laterRefusalDropsTheRecord();
    void functionKeyAloneIsRegistered();
    void disablingReleasesAndEnablingRegistersAgain();
    void enableAndDisableNames();
    void streamsSubscribeLaterAndReceiveBothKinds();
    void filteredStreamOnlyGetsItsKind();
    void endedStreamKeepsItsNameInstalled();
    void removeAllHandlersKeepsShortcutsOfStreams();
    void openMenuTakesKeysFromKeyEvents();
    void registrationWhileAMenuIsOpenWaitsForItToClose();
    void systemShortcutsAreNormalised();

private:
    NameLayer &layer() { return m_center->nameLayer(); }
    void sendKey(QObject *target, QEvent::Type type, int evdev, Qt::KeyboardModifiers modifiers,
        bool autoRepeat = false);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<vantry::UserDefaults> m_store;
    std::unique_ptr<FakeHotKeyBackend> m_backend;
    std::unique_ptr<FixedKeyboardLayout> m_layout;
    std::unique_ptr<ShortcutCenter> m_center;
};

void TestNameLayer::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<vantry::UserDefaults>(m_dir->filePath(u"vantry.conf"_s));
    m_backend = std::make_unique<FakeHotKeyBackend>();
    m_layout = std::make_unique<FixedKeyboardLayout>();
    m_center = std::make_unique<ShortcutCenter>(m_store.get(), m_backend.get(), m_layout.get());
}

void TestNameLayer::cleanup()
{
    m_center.reset();
    m_layout.reset();
    m_backend.reset();
    m_store.reset();
    m_dir.reset();
}

void TestNameLayer::sendKey(
    QObject *target, QEvent::Type type, int evdev, Qt::KeyboardModifiers modifiers, bool autoRepeat)
{
    QKeyEvent event(
        type, Qt::Key_unknown, modifiers, quint32(evdev + 8), 0, 0, QString(), autoRepeat);
    QCoreApplication::sendEvent(target, &event);
}

void TestNameLayer::namesSharingAShortcutBothFire()
{
    const Name a(u"a"_s, kControlCommandS);
    const Name b(u"b"_s);
    setShortcut(kControlCommandS, b);
    int aRuns = 0;
    int bRuns = 0;
    onKeyDown(a, [&] { ++aRuns; });
    onKeyDown(a, [&] { ++aRuns; });
    onKeyDown(b, [&] { ++bRuns; });

    QCOMPARE(m_backend->registered().size(), 1);
    QVERIFY(m_backend->press(Shortcut(1, 4352)));
    QCOMPARE(aRuns, 2);
    QCOMPARE(bRuns, 1);
}

void TestNameLayer::nameLeavingASharedShortcutLeavesItToTheOther_data()
{
    QTest::addColumn<std::optional<Shortcut>>("next");
    QTest::newRow("changed") << std::optional(kOptionF);
    QTest::newRow("cleared") << std::optional<Shortcut>();
}

void TestNameLayer::nameLeavingASharedShortcutLeavesItToTheOther()
{
    QFETCH(std::optional<Shortcut>, next);
    const Name a(u"a"_s, kControlCommandS);
    const Name b(u"b"_s, kControlCommandS);
    int bRuns = 0;
    onKeyDown(a, [] {});
    onKeyDown(b, [&] { ++bRuns; });

    setShortcut(next, a);

    QVERIFY(m_backend->press(Shortcut(1, 4352)));
    QCOMPARE(bRuns, 1);
    // Once nobody holds it any more it is released.
    setShortcut(std::nullopt, b);
    QVERIFY(!m_backend->idOf(Shortcut(1, 4352)));
}

void TestNameLayer::actionAttachedBeforeTheShortcutFiresAfterSetShortcut()
{
    const Name name(u"n"_s);
    int runs = 0;
    onKeyDown(name, [&] { ++runs; });
    QCOMPARE(m_backend->calls().size(), 0);

    setShortcut(kOptionF, name);
    QVERIFY(m_backend->press(Shortcut(Key::f.rawValue(), 2048)));
    QCOMPARE(runs, 1);
}

void TestNameLayer::changingTheShortcutMovesTheRegistration()
{
    const Name name(u"n"_s, kControlCommandS);
    int runs = 0;
    onKeyDown(name, [&] { ++runs; });
    const quint32 oldId = *m_backend->idOf(Shortcut(1, 4352));

    setShortcut(kOptionF, name);

    QVERIFY(!m_backend->registered().contains(oldId));
    QVERIFY(!m_backend->press(Shortcut(1, 4352)));
    Q_EMIT m_backend->pressed(oldId); // a stale event for the old id
    QCOMPARE(runs, 0);
    QVERIFY(m_backend->press(Shortcut(Key::f.rawValue(), 2048)));
    QCOMPARE(runs, 1);
    QCOMPARE(layer().installedShortcuts(), QSet<Shortcut> { kOptionF });
}

void TestNameLayer::keyUpActionsRunOnRelease()
{
    const Name name(u"n"_s, kControlCommandS);
    QStringList log;
    onKeyDown(name, [&] { log << u"down"_s; });
    onKeyUp(name, [&] { log << u"up"_s; });
    m_backend->press(Shortcut(1, 4352));
    m_backend->release(Shortcut(1, 4352));
    QCOMPARE(log, (QStringList { u"down"_s, u"up"_s }));
}

void TestNameLayer::suspendedHandlersRunNothing()
{
    const Name name(u"n"_s, kControlCommandS);
    int runs = 0;
    onKeyDown(name, [&] { ++runs; });
    auto *stream = events(name, this);
    QSignalSpy streamed(stream, &EventStream::triggered);
    QTRY_VERIFY(layer().installedShortcuts().contains(kControlCommandS));
    QTest::qWait(0);

    setHandlersSuspended(true);
    QVERIFY(m_backend->press(Shortcut(1, 4352))); // still registered
    QCOMPARE(runs, 0);
    QCOMPARE(streamed.size(), 0);

    setHandlersSuspended(false);
    m_backend->press(Shortcut(1, 4352));
    QCOMPARE(runs, 1);
    QCOMPARE(streamed.size(), 1);
    delete stream;
}

void TestNameLayer::contextBoundActionStopsWithItsContext()
{
    const Name name(u"n"_s, kControlCommandS);
    int runs = 0;
    auto context = std::make_unique<QObject>();
    onKeyDown(name, context.get(), [&] { ++runs; });
    m_backend->press(Shortcut(1, 4352));
    context.reset();
    m_backend->press(Shortcut(1, 4352));
    QCOMPARE(runs, 1);
}

void TestNameLayer::refusedRegistration_data()
{
    QTest::addColumn<Shortcut>("shortcut");
    QTest::addColumn<bool>("refusedByBackend");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("taken by another client")
        << kControlCommandS << true << QByteArray("Error registering hotkey ⌃⌘S: 1\n");
    QTest::newRow("function modifier")
        << Shortcut(Key::q, CommandModifier | FunctionModifier) << false
        << QByteArray("Error registering hotkey ⌘\U0001F310\uFE0EQ: 3\n");
    // A hand-edited setting: the recorder would never take these.
    QTest::newRow("plain key") << Shortcut(Key::a) << false
                               << QByteArray("Error registering hotkey A: 3\n");
    QTest::newRow("shift and a key") << Shortcut(Key::a, ShiftModifier) << false
                                     << QByteArray("Error registering hotkey ⇧A: 3\n");
    QTest::newRow("key code out of range") << Shortcut(70000, CarbonModifier::Command) << false
                                           << QByteArray("Error registering hotkey ⌘\uFFFD: 2\n");
}

void TestNameLayer::refusedRegistration()
{
    QFETCH(Shortcut, shortcut);
    QFETCH(bool, refusedByBackend);
    QFETCH(QByteArray, line);
    m_backend->refuse(shortcut, HotKeyBackend::TakenByAnotherClient);
    const Name name(u"n"_s);

    StdoutCapture capture;
    setShortcut(shortcut, name);
    QCOMPARE(capture.text(), line);

    QCOMPARE(m_backend->calls().size(), refusedByBackend ? 1 : 0);
    QVERIFY(layer().hotKeys().hotKeyTable().empty());
    // Still counted as installed: not retried by actions or streams.
    QVERIFY(layer().installedShortcuts().contains(shortcut));
    onKeyDown(name, [] {});
    QCOMPARE(m_backend->calls().size(), refusedByBackend ? 1 : 0);

    // The id was used up.
    setShortcut(kOptionF, Name(u"other"_s));
    QCOMPARE(m_backend->idOf(Shortcut(Key::f.rawValue(), 2048)), std::optional<quint32>(2));
}

void TestNameLayer::laterRefusalDropsTheRecord()
{
    const Name name(u"n"_s, kControlCommandS);
    QCOMPARE(layer().hotKeys().hotKeyTable().size(), size_t(1));
    StdoutCapture capture;
    Q_EMIT m_backend->registrationFailed(1, HotKeyBackend::RefusedByDesktop);
    QCOMPARE(capture.text(), QByteArray("Error registering hotkey ⌃⌘S: 5\n"));
    QVERIFY(layer().hotKeys().hotKeyTable().empty());
    // The backend was told to forget it too.
    QVERIFY(m_backend->registered().isEmpty());
}

void TestNameLayer::functionKeyAloneIsRegistered()
{
    const Name name(u"n"_s, Shortcut(Key::f5));
    QVERIFY(m_backend->idOf(Shortcut(Key::f5)));
}

void TestNameLayer::disablingReleasesAndEnablingRegistersAgain()
{
    const Name name(u"n"_s, kControlCommandS);
    int runs = 0;
    onKeyDown(name, [&] { ++runs; });
    QCOMPARE(layer().hotKeys().state(), State::Active);

    setEnabled(false);
    QVERIFY(!isEnabled());
    QCOMPARE(layer().hotKeys().state(), State::Off);
    QVERIFY(m_backend->registered().isEmpty());
    Q_EMIT m_backend->pressed(1);
    QCOMPARE(runs, 0);
    m_backend->clearCalls();
    setEnabled(false);
    QCOMPARE(m_backend->calls().size(), 0);

    // A shortcut set while off is not grabbed from other programs until on again.
    setShortcut(kOptionF, Name(u"other"_s));
    QCOMPARE(m_backend->calls().size(), 0);

    setEnabled(true);
    QCOMPARE(layer().hotKeys().state(), State::Active);
    QCOMPARE(m_backend->idOf(Shortcut(1, 4352)), std::optional<quint32>(1)); // same id again
    QVERIFY(m_backend->idOf(Shortcut(Key::f.rawValue(), 2048)));
    m_backend->press(Shortcut(1, 4352));
    QCOMPARE(runs, 1);
}

void TestNameLayer::enableAndDisableNames()
{
    const Name a(u"a"_s, kControlCommandS);
    const Name b(u"b"_s, kOptionF);
    const Name empty(u"empty"_s);
    disable(a, b, empty);
    QVERIFY(m_backend->registered().isEmpty());
    QVERIFY(layer().installedShortcuts().isEmpty());
    QCOMPARE(getShortcut(a), std::optional(kControlCommandS)); // store untouched

    enable({ a });
    QCOMPARE(m_backend->registered().size(), 1);
    // Nothing remembers the disabling: an action installs b again.
    onKeyDown(b, [] {});
    QCOMPARE(m_backend->registered().size(), 2);
}

void TestNameLayer::streamsSubscribeLaterAndReceiveBothKinds()
{
    const Name name(u"n"_s);
    setShortcut(kControlCommandS, name);
    disable(name);
    auto *stream = events(name, this);
    QSignalSpy streamed(stream, &EventStream::triggered);
    // Subscribing happens after events() returned.
    QVERIFY(m_backend->registered().isEmpty());
    QTRY_COMPARE(m_backend->registered().size(), 1);

    m_backend->press(Shortcut(1, 4352));
    m_backend->release(Shortcut(1, 4352));
    QCOMPARE(streamed.size(), 2);
    QCOMPARE(streamed.at(0).front().value<EventType>(), EventType::KeyDown);
    QCOMPARE(streamed.at(1).front().value<EventType>(), EventType::KeyUp);
    delete stream;
}

void TestNameLayer::filteredStreamOnlyGetsItsKind()
{
    const Name name(u"n"_s, kControlCommandS);
    auto *stream = events(EventType::KeyUp, name, this);
    QSignalSpy streamed(stream, &EventStream::triggered);
    QTest::qWait(0);
    QTRY_VERIFY(!layer().installedShortcuts().isEmpty());
    m_backend->press(Shortcut(1, 4352));
    QCOMPARE(streamed.size(), 0);
    m_backend->release(Shortcut(1, 4352));
    QCOMPARE(streamed.size(), 1);
    delete stream;
}

void TestNameLayer::endedStreamKeepsItsNameInstalled()
{
    const Name name(u"n"_s);
    setShortcut(kControlCommandS, name);
    auto *stream = events(name, this);
    QSignalSpy streamed(stream, &EventStream::triggered);
    QTest::qWait(0);
    m_backend->press(Shortcut(1, 4352));
    QTRY_COMPARE(streamed.size(), 1);

    delete stream;
    QTest::qWait(0);
    QCoreApplication::processEvents();
    // The name's empty subscriber map stays and keeps the shortcut installed.
    QCOMPARE(m_backend->registered().size(), 1);
    m_backend->press(Shortcut(1, 4352)); // runs nothing, and must not touch the deleted stream
}

void TestNameLayer::removeAllHandlersKeepsShortcutsOfStreams()
{
    const Name withAction(u"action"_s, kControlCommandS);
    const Name withStream(u"stream"_s, kOptionF);
    int runs = 0;
    onKeyDown(withAction, [&] { ++runs; });
    auto *stream = events(withStream, this);
    QSignalSpy streamed(stream, &EventStream::triggered);
    QTest::qWait(0);
    QCoreApplication::processEvents();

    removeAllHandlers();

    QVERIFY(!m_backend->idOf(Shortcut(1, 4352)));
    QVERIFY(!layer().installedShortcuts().contains(kControlCommandS));
    QVERIFY(m_backend->press(Shortcut(Key::f.rawValue(), 2048)));
    QCOMPARE(streamed.size(), 1);
    QCOMPARE(runs, 0);
    delete stream;
}

void TestNameLayer::openMenuTakesKeysFromKeyEvents()
{
    const Name name(u"n"_s, kControlCommandS);
    QStringList log;
    onKeyDown(name, [&] { log << u"down"_s; });
    onKeyUp(name, [&] { log << u"up"_s; });

    QMenu menu;
    menu.addAction(u"Item"_s);
    KeyEventCounter reached;
    menu.installEventFilter(&reached);
    menu.popup(QPoint(10, 10));
    QTRY_VERIFY(menu.isVisible());
    QCOMPARE(layer().hotKeys().state(), State::MenuOpen);
    QVERIFY(m_backend->registered().isEmpty()); // released while the menu holds the keyboard
    QVERIFY(!layer().hotKeys().hotKeyTable().empty()); // records stay

    const auto controlSuper = Qt::ControlModifier | Qt::MetaModifier;
    sendKey(&menu, QEvent::KeyPress, KEY_S, controlSuper);
    sendKey(&menu, QEvent::KeyPress, KEY_S, controlSuper, true); // held: repeats do nothing
    sendKey(&menu, QEvent::KeyRelease, KEY_S, controlSuper);
    QCOMPARE(log, (QStringList { u"down"_s, u"up"_s }));
    QCOMPARE(reached.presses, 0);
    QCOMPARE(reached.releases, 0);

    // Other keys reach the menu.
    sendKey(&menu, QEvent::KeyPress, KEY_S, Qt::ControlModifier);
    sendKey(&menu, QEvent::KeyPress, KEY_DOWN, {});
    QCOMPARE(reached.presses, 2);
    QCOMPARE(log.size(), 2);

    // Suspended: still ours, nothing runs.
    setHandlersSuspended(true);
    sendKey(&menu, QEvent::KeyPress, KEY_S, controlSuper);
    QCOMPARE(reached.presses, 2);
    QCOMPARE(log.size(), 2);
    setHandlersSuspended(false);

    menu.hide();
    QCOMPARE(layer().hotKeys().state(), State::Active);
    QCOMPARE(m_backend->idOf(Shortcut(1, 4352)), std::optional<quint32>(1));
    // Key events no longer pass through the shortcut filter.
    QWidget widget;
    KeyEventCounter widgetReached;
    widget.installEventFilter(&widgetReached);
    sendKey(&widget, QEvent::KeyPress, KEY_S, controlSuper);
    QCOMPARE(widgetReached.presses, 1);
    QCOMPARE(log.size(), 2);
}

void TestNameLayer::registrationWhileAMenuIsOpenWaitsForItToClose()
{
    const Name first(u"first"_s, kOptionF); // installs the event handler
    auto menu = std::make_unique<QMenu>();
    menu->addAction(u"Item"_s);
    menu->popup(QPoint(10, 10));
    QTRY_COMPARE(layer().hotKeys().state(), State::MenuOpen);

    const Name name(u"n"_s, kControlCommandS);
    int runs = 0;
    onKeyDown(name, [&] { ++runs; });
    QVERIFY(!m_backend->idOf(Shortcut(1, 4352)));
    sendKey(menu.get(), QEvent::KeyPress, KEY_S, Qt::ControlModifier | Qt::MetaModifier);
    QCOMPARE(runs, 1);

    // A menu destroyed while open counts as closed.
    menu.reset();
    QCOMPARE(layer().hotKeys().state(), State::Active);
    QVERIFY(m_backend->idOf(Shortcut(1, 4352)));
}

void TestNameLayer::systemShortcutsAreNormalised()
{
    // Keypad and group bits have no stored form; a key without a stored code is left out.
    m_backend->setSystemHotKeys({ { KEY_S, Qt::KeyboardModifierMask }, { KEY_PROG1, {} },
        { KEY_SPACE, Qt::MetaModifier } });
    QCOMPARE(systemSymbolicShortcuts(),
        (QList<Shortcut> { Shortcut(1, 0x1B00), Shortcut(Key::space, CommandModifier) }));
}

QTEST_MAIN(TestNameLayer)
#include "tst_namelayer.moc"
