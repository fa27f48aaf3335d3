// SPDX-License-Identifier: GPL-3.0-or-later
// Actions, streams and switches of named shortcuts over a recording backend,
// and the path through ordinary key events while one of our menus is open.
#include "ShortcutFixture.h"

#include "KeyboardShortcuts/NameLayer.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include <memory>
#include <optional>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

namespace {

using State = HotKeyDispatcher::State;

// Counts the key presses that get past the application's filters to an object.
class KeyPressCounter final : public QObject
{
public:
    int presses = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        presses += event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
        return false;
    }
};

// What run writes to standard output, where the registration errors go.
QByteArray printed(const std::function<void()> &run)
{
    QTemporaryFile file;
    if (!file.open())
        return "cannot capture";
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(file.handle(), STDOUT_FILENO);
    run();
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

void sendKey(QObject *target, QEvent::Type type, int evdev, Qt::KeyboardModifiers modifiers,
    bool autoRepeat = false)
{
    QKeyEvent event = keyEvent(type, evdev, modifiers, Qt::Key_unknown, autoRepeat);
    QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestNameLayer : public QObject
{
    Q_OBJECT

    std::optional<ShortcutFixture> f;
    HotKeyDispatcher &hotKeys() { return f->center.nameLayer().hotKeys(); }

private Q_SLOTS:
    void init() { f.emplace(); }
    void cleanup() { f.reset(); }

    void namesSharingAShortcut_data()
    {
        QTest::addColumn<std::optional<Shortcut>>("next");
        QTest::newRow("one moves on") << std::optional(optionF);
        QTest::newRow("one is cleared") << std::optional<Shortcut>();
    }

    void namesSharingAShortcut()
    {
        QFETCH(std::optional<Shortcut>, next);
        const Name a(u"a"_s, controlCommandS);
        const Name b(u"b"_s);
        setShortcut(controlCommandS, b);
        QStringList log;
        onKeyDown(a, [&] { log << u"a down"_s; });
        onKeyUp(a, [&] { log << u"a up"_s; });
        onKeyDown(b, [&] { log << u"b down"_s; });
        auto context = std::make_unique<QObject>();
        onKeyDown(b, context.get(), [&] { log << u"b down with context"_s; });
        QCOMPARE(f->backend.registered.size(), 1);
        f->backend.press(controlCommandS);
        log.sort();
        QCOMPARE(log, (QStringList { u"a down"_s, u"b down"_s, u"b down with context"_s }));
        f->backend.press(controlCommandS, true);
        QCOMPARE(log.last(), u"a up"_s);

        // One name leaving does not silence the other; an action bound to an object stops with it.
        setShortcut(next, a);
        context.reset();
        log.clear();
        QVERIFY(f->backend.press(controlCommandS));
        QCOMPARE(log, QStringList { u"b down"_s });
        // Once nobody holds it any more it is released.
        setShortcut(std::nullopt, b);
        QVERIFY(!f->backend.idOf(controlCommandS));
    }

    void changingTheShortcutMovesTheRegistration()
    {
        const Name name(u"n"_s, controlCommandS);
        int runs = 0;
        onKeyDown(name, [&] { ++runs; });
        const quint32 oldId = *f->backend.idOf(controlCommandS);

        setShortcut(optionF, name);
        QVERIFY(!f->backend.registered.contains(oldId));
        Q_EMIT f->backend.pressed(oldId); // a late event for the old registration
        QCOMPARE(runs, 0);
        QVERIFY(f->backend.press(optionF));
        QCOMPARE(runs, 1);
    }

    void suspendedHandlersRunNothing()
    {
        const Name name(u"n"_s, controlCommandS);
        int runs = 0;
        onKeyDown(name, [&] { ++runs; });
        setHandlersSuspended(true);
        QVERIFY(f->backend.press(controlCommandS)); // still registered
        QCOMPARE(runs, 0);
        setHandlersSuspended(false);
        f->backend.press(controlCommandS);
        QCOMPARE(runs, 1);
    }

    void registration_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<bool>("refusedByBackend");
        QTest::addColumn<QByteArray>("line"); // empty: registered
        QTest::newRow("function key alone") << Shortcut(Key::f5) << false << QByteArray();
        QTest::newRow("taken by another client")
            << controlCommandS << true << "Error registering hotkey ⌃⌘S: 1\n"_ba;
        QTest::newRow("function modifier")
            << Shortcut(Key::q, CommandModifier | FunctionModifier) << false
            << "Error registering hotkey ⌘\U0001F310\uFE0EQ: 3\n"_ba;
        // Hand-edited settings: the recorder never takes these.
        QTest::newRow("plain key")
            << Shortcut(Key::a) << false << "Error registering hotkey A: 3\n"_ba;
        QTest::newRow("shift and a key")
            << Shortcut(Key::a, ShiftModifier) << false << "Error registering hotkey ⇧A: 3\n"_ba;
        QTest::newRow("key code out of range") << Shortcut(70000, CarbonModifier::Command) << false
                                               << "Error registering hotkey ⌘\uFFFD: 2\n"_ba;
    }

    void registration()
    {
        QFETCH(Shortcut, shortcut);
        QFETCH(bool, refusedByBackend);
        QFETCH(QByteArray, line);
        if (refusedByBackend)
            f->backend.refusals.insert(shortcut, HotKeyBackend::TakenByAnotherClient);
        const Name name(u"n"_s);
        QCOMPARE(printed([&] { setShortcut(shortcut, name); }), line);
        QCOMPARE(f->backend.registered.size(), line.isEmpty() ? 1 : 0);
        QCOMPARE(f->backend.registerCalls, line.isEmpty() || refusedByBackend ? 1 : 0);
        if (line.isEmpty())
            return;
        // Not retried by actions...
        onKeyDown(name, [] {});
        QCOMPARE(f->backend.registerCalls, refusedByBackend ? 1 : 0);
        if (!refusedByBackend)
            return;
        // ... but when the user sets it again, once the other program gave it up.
        f->backend.refusals.clear();
        setShortcut(shortcut, name);
        QVERIFY(f->backend.idOf(shortcut));
    }

    void laterRefusalDropsTheRecord()
    {
        const Name name(u"n"_s, controlCommandS);
        const auto refuse
            = [&] { Q_EMIT f->backend.registrationFailed(1, HotKeyBackend::RefusedByDesktop); };
        QCOMPARE(printed(refuse), "Error registering hotkey ⌃⌘S: 5\n"_ba);
        QVERIFY(hotKeys().hotKeyTable().empty());
        QVERIFY(f->backend.registered.isEmpty()); // the backend was told to forget it too
    }

    void switchingOffReleasesAndOnRegistersAgain()
    {
        const Name name(u"n"_s, controlCommandS);
        int runs = 0;
        onKeyDown(name, [&] { ++runs; });
        setEnabled(false);
        QVERIFY(!isEnabled());
        QVERIFY(f->backend.registered.isEmpty());
        Q_EMIT f->backend.pressed(1);
        QCOMPARE(runs, 0);
        // A shortcut set while off is not taken from other programs until on again.
        setShortcut(optionF, Name(u"other"_s));
        QVERIFY(f->backend.registered.isEmpty());

        setEnabled(true);
        QCOMPARE(f->backend.idOf(controlCommandS), std::optional<quint32>(1)); // same id again
        QVERIFY(f->backend.idOf(optionF));
        f->backend.press(controlCommandS);
        QCOMPARE(runs, 1);

        // Names are switched off one by one, keeping what is stored.
        disable(name, Name(u"other"_s), Name(u"empty"_s));
        QVERIFY(f->backend.registered.isEmpty() && getShortcut(name));
        enable({ name });
        QCOMPARE(f->backend.registered.size(), 1);
    }

    void streams()
    {
        const Name name(u"n"_s, controlCommandS);
        disable(name);
        auto *releases = events(EventType::KeyUp, name, this);
        QSignalSpy released(releases, &EventStream::triggered);
        // Subscribing happens after events() returned, and installs the shortcut.
        QVERIFY(f->backend.registered.isEmpty());
        QTRY_COMPARE(f->backend.registered.size(), 1);
        f->backend.press(controlCommandS);
        f->backend.press(controlCommandS, true);
        QCOMPARE(released.size(), 1);
        QCOMPARE(released.front().front().value<EventType>(), EventType::KeyUp);
        // An ended stream leaves the name's claim: the shortcut stays installed.
        delete releases;
        QTest::qWait(0);
        QCOMPARE(f->backend.registered.size(), 1);
        f->backend.press(controlCommandS); // must not reach the deleted stream
    }

    void removeAllHandlersKeepsShortcutsOfStreams()
    {
        const Name withAction(u"action"_s, controlCommandS);
        const Name withStream(u"stream"_s, optionF);
        int runs = 0;
        onKeyDown(withAction, [&] { ++runs; });
        auto *stream = events(withStream, this);
        QSignalSpy streamed(stream, &EventStream::triggered);
        QTest::qWait(0);

        removeAllHandlers();
        QVERIFY(!f->backend.idOf(controlCommandS));
        QVERIFY(f->backend.press(optionF));
        QCOMPARE(streamed.size(), 1);
        QCOMPARE(runs, 0);
        delete stream;
    }

    void openMenuTakesKeysFromKeyEvents()
    {
        const Name name(u"n"_s, controlCommandS);
        QStringList log;
        onKeyDown(name, [&] { log << u"down"_s; });
        onKeyUp(name, [&] { log << u"up"_s; });

        QMenu menu;
        menu.addAction(u"Item"_s);
        KeyPressCounter reached;
        menu.installEventFilter(&reached);
        menu.popup(QPoint(10, 10));
        QTRY_VERIFY(menu.isVisible());
        QCOMPARE(hotKeys().state(), State::MenuOpen);
        QVERIFY(f->backend.registered.isEmpty()); // released while the menu holds the keyboard

        const auto controlSuper = Qt::ControlModifier | Qt::MetaModifier;
        sendKey(&menu, QEvent::KeyPress, KEY_S, controlSuper);
        sendKey(&menu, QEvent::KeyPress, KEY_S, controlSuper, true); // held: repeats do nothing
        sendKey(&menu, QEvent::KeyRelease, KEY_S, controlSuper);
        QCOMPARE(log, (QStringList { u"down"_s, u"up"_s }));
        QCOMPARE(reached.presses, 0);
        // Other keys reach the menu.
        sendKey(&menu, QEvent::KeyPress, KEY_S, Qt::ControlModifier);
        sendKey(&menu, QEvent::KeyPress, KEY_DOWN, {});
        QCOMPARE(reached.presses, 2);
        // Suspended: still ours, nothing runs.
        setHandlersSuspended(true);
        sendKey(&menu, QEvent::KeyPress, KEY_S, controlSuper);
        QCOMPARE(reached.presses, 2);
        setHandlersSuspended(false);
        QCOMPARE(log.size(), 2);

        menu.hide();
        QCOMPARE(hotKeys().state(), State::Active);
        QCOMPARE(f->backend.idOf(controlCommandS), std::optional<quint32>(1));
        // Key events no longer pass through the shortcut filter.
        sendKey(&menu, QEvent::KeyPress, KEY_S, controlSuper);
        QCOMPARE(reached.presses, 3);
        QCOMPARE(log.size(), 2);
    }

    void registrationWhileAMenuIsOpenWaitsForItToClose()
    {
        const Name first(u"first"_s, optionF); // installs the event handler
        auto menu = std::make_unique<QMenu>();
        menu->addAction(u"Item"_s);
        menu->popup(QPoint(10, 10));
        QTRY_COMPARE(hotKeys().state(), State::MenuOpen);

        // A hand-edited value with bits beyond the five modifiers.
        f->store.setValue(
            u"KeyboardShortcuts_n"_s, uR"({"carbonKeyCode":1,"carbonModifiers":65535})"_s);
        int runs = 0;
        onKeyDown(Name(u"n"_s), [&] { ++runs; });
        QVERIFY(f->backend.registered.size() == 0);
        sendKey(menu.get(), QEvent::KeyPress, KEY_S, Qt::KeyboardModifierMask);
        QCOMPARE(runs, 1);
        // A menu destroyed while open counts as closed.
        menu.reset();
        QCOMPARE(hotKeys().state(), State::Active);
        QVERIFY(f->backend.idOf(Shortcut(1, 0x1B00)));
    }
};

QTEST_MAIN(TestNameLayer)
#include "tst_namelayer.moc"
