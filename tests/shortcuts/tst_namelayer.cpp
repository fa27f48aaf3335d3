// SPDX-License-Identifier: GPL-3.0-or-later
// Actions of named shortcuts over a recording backend, registration errors,
// and the path through ordinary key events while one of our menus is open.
#include "ShortcutFixture.h"

#include "shortcuts/NameLayer.h"

#include <QApplication>
#include <QMenu>
#include <QTemporaryFile>
#include <QTest>

#include <linux/input-event-codes.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

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

    void changingTheShortcutMovesTheRegistration()
    {
        const Name name(u"n"_s, controlCommandS);
        int runs = 0;
        onKeyDown(name, this, [&] { ++runs; }); // the form the app uses
        const quint32 oldId = *f->backend.idOf(controlCommandS);

        setShortcut(optionF, name);
        QVERIFY(!f->backend.registered.contains(oldId));
        Q_EMIT f->backend.pressed(oldId); // a late event for the old registration
        QCOMPARE(runs, 0);
        QVERIFY(f->backend.press(optionF));
        QCOMPARE(runs, 1);
    }

    void registration_data()
    {
        QTest::addColumn<Shortcut>("shortcut");
        QTest::addColumn<bool>("refusedByBackend");
        QTest::addColumn<QByteArray>("line"); // empty: registered
        QTest::newRow("function key alone") << Shortcut(namedKey("f5")) << false << QByteArray();
        QTest::newRow("taken by another client")
            << controlCommandS << true << "Error registering hotkey ⌃⌘S: 1\n"_ba;
        QTest::newRow("function modifier")
            << Shortcut(namedKey("q"), CommandModifier | FunctionModifier) << false
            << "Error registering hotkey ⌘\U0001F310\uFE0EQ: 3\n"_ba;
        // Hand-edited settings: the recorder never takes these.
        QTest::newRow("plain key")
            << Shortcut(namedKey("a")) << false << "Error registering hotkey A: 3\n"_ba;
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
};

QTEST_MAIN(TestNameLayer)
#include "tst_namelayer.moc"
