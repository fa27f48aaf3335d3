// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"
#include "FakeRecorderServices.h"
#include "FixedKeyboardLayout.h"
#include "KeyboardShortcuts/KeyCodes.h"
#include "KeyboardShortcuts/KeyboardShortcuts.h"
#include "KeyboardShortcuts/ui/MenuSearch.h"
#include "KeyboardShortcuts/ui/ShortcutRecorder.h"
#include "platform/UserDefaults.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

namespace {

const Shortcut controlCommandS(Key::s, ControlModifier | CommandModifier);

// A key press as the X server would deliver it: located by its scan code.
void press(QWidget *target, Key key, Qt::Key qtKey, Qt::KeyboardModifiers modifiers = {})
{
    const auto evdev = evdevKeyCode(int(key.rawValue()));
    QVERIFY(evdev);
    QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, quint32(*evdev + 8), 0, 0);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestRecorder final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<vantry::UserDefaults> m_store;
    std::unique_ptr<FakeHotKeyBackend> m_backend;
    std::unique_ptr<FixedKeyboardLayout> m_layout;
    std::unique_ptr<ShortcutCenter> m_center;
    FakeRecorderServices m_services;
    std::unique_ptr<QWidget> m_window;
    QList<std::optional<Shortcut>> m_changes;

    // A window with another field first, then a recorder for name, recording.
    ShortcutRecorder *makeRecording(const Name &name)
    {
        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        layout->addWidget(new QLineEdit(m_window.get()));
        auto *recorder = new ShortcutRecorder(
            name, [this](const std::optional<Shortcut> &s) { m_changes << s; }, m_window.get(),
            &m_services);
        layout->addWidget(recorder);
        m_window->show();
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window.get()))
            return nullptr;
        recorder->setFocus(Qt::MouseFocusReason);
        return recorder->isRecording() ? recorder : nullptr;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(u"vantry.conf"_s));
        m_store = std::make_unique<vantry::UserDefaults>(m_dir.filePath(u"vantry.conf"_s));
        m_backend = std::make_unique<FakeHotKeyBackend>();
        m_layout = std::make_unique<FixedKeyboardLayout>();
        m_center = std::make_unique<ShortcutCenter>(m_store.get(), m_backend.get(), m_layout.get());
        m_services = FakeRecorderServices();
        m_changes.clear();
    }

    void cleanup()
    {
        m_window.reset();
        m_center.reset();
        m_layout.reset();
        m_backend.reset();
        m_store.reset();
    }

    void idleShowsTheStoredShortcut()
    {
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder recorder(name, {}, nullptr, &m_services);
        QCOMPARE(recorder.text(), u"Ctrl+Super+S"_s);
        QVERIFY(recorder.isClearButtonShown());
        QCOMPARE(recorder.placeholderText(), localizedString("record_shortcut"));
        QCOMPARE(recorder.alignment(), Qt::AlignCenter);
        QVERIFY(recorder.minimumSizeHint().width() >= ShortcutRecorder::minimumWidth);
        QVERIFY(!recorder.isRecording());

        const Name empty(u"other"_s);
        recorder.setShortcutName(empty);
        QCOMPARE(recorder.text(), QString());
        QVERIFY(!recorder.isClearButtonShown());
    }

    void clearButtonHasAName()
    {
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder recorder(name, {}, nullptr, &m_services);
        recorder.show();
        QAccessibleInterface *field = QAccessible::queryAccessibleInterface(&recorder);
        QVERIFY(field);
        QStringList buttons;
        for (int i = 0; i < field->childCount(); ++i) {
            if (field->child(i)->role() == QAccessible::Button)
                buttons << field->child(i)->text(QAccessible::Name);
        }
        QCOMPARE(buttons, QStringList { u"Clear shortcut"_s });
    }

    void emptyFieldShowsThatItRecords()
    {
        ShortcutRecorder *recorder = makeRecording(Name(u"empty"_s));
        QVERIFY(recorder);
        QVERIFY(recorder->text().isEmpty());
        // Judged by what is drawn: Qt hides the placeholder of a focused centred field.
        const QImage image = recorder->grab().toImage();
        const QRect middle(
            image.width() / 4, image.height() / 4, image.width() / 2, image.height() / 2);
        QHash<QRgb, int> colours;
        for (int y = middle.top(); y <= middle.bottom(); ++y) {
            for (int x = middle.left(); x <= middle.right(); ++x)
                ++colours[image.pixel(x, y)];
        }
        int background = 0;
        for (const int count : std::as_const(colours))
            background = qMax(background, count);
        const int ink = int(middle.width() * middle.height()) - background;
        QVERIFY2(ink > 20, qPrintable(u"%1 pixels of text"_s.arg(ink)));
    }

    void recordingSuspendsHandlersAndTellsEveryone()
    {
        QSignalSpy active(m_center.get(), &ShortcutCenter::recorderActiveStatusDidChange);
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        QCOMPARE(recorder->placeholderText(), localizedString("press_shortcut"));
        QVERIFY(recorder->isReadOnly()); // no caret while recording
        QVERIFY(handlersSuspended());
        QCOMPARE(active.count(), 1);
        QCOMPARE(active.at(0).at(0).toBool(), true);

        press(recorder, Key::escape, Qt::Key_Escape);
        QVERIFY(!recorder->isRecording());
        QVERIFY(!recorder->hasFocus());
        QVERIFY(!recorder->isReadOnly());
        QVERIFY(!handlersSuspended());
        QCOMPARE(recorder->placeholderText(), localizedString("record_shortcut"));
        QCOMPARE(active.count(), 2);
        QCOMPARE(active.at(1).at(0).toBool(), false);
        // Escape kept the value.
        QCOMPARE(getShortcut(name), controlCommandS);
        QCOMPARE(recorder->text(), u"Ctrl+Super+S"_s);
        QVERIFY(m_changes.isEmpty());
    }

    void keysWithoutCommandModifiersAreRefused_data()
    {
        QTest::addColumn<Key>("key");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Shift+A") << Key::a << int(Qt::Key_A) << int(Qt::ShiftModifier);
        QTest::newRow("A") << Key::a << int(Qt::Key_A) << int(Qt::NoModifier);
        QTest::newRow("Shift+Tab") << Key::tab << int(Qt::Key_Backtab) << int(Qt::ShiftModifier);
        QTest::newRow("Space") << Key::space << int(Qt::Key_Space) << int(Qt::NoModifier);
    }

    void keysWithoutCommandModifiersAreRefused()
    {
        QFETCH(Key, key);
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        press(recorder, key, Qt::Key(qtKey), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_services.beeps, 1);
        QVERIFY(recorder->isRecording());
        QCOMPARE(getShortcut(name), controlCommandS);
        QCOMPARE(recorder->text(), u"Ctrl+Super+S"_s);
        QVERIFY(m_changes.isEmpty());
    }

    void modifierKeysAloneWaitForTheRest_data()
    {
        QTest::addColumn<Key>("key");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Control") << Key::control << int(Qt::Key_Control)
                                 << int(Qt::ControlModifier);
        QTest::newRow("Super") << Key::command << int(Qt::Key_Meta) << int(Qt::MetaModifier);
        QTest::newRow("Shift") << Key::shift << int(Qt::Key_Shift) << int(Qt::ShiftModifier);
    }

    void modifierKeysAloneWaitForTheRest()
    {
        QFETCH(Key, key);
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        press(recorder, key, Qt::Key(qtKey), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_services.beeps, 0);
        QVERIFY(m_services.alerts.isEmpty());
        QVERIFY(recorder->isRecording());
        QCOMPARE(getShortcut(name), controlCommandS);
    }

    void acceptedKeysAreStored_data()
    {
        QTest::addColumn<Key>("key");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<Shortcut>("expected");
        QTest::addColumn<QString>("text");
        QTest::newRow("F5") << Key::f5 << int(Qt::Key_F5) << int(Qt::NoModifier)
                            << Shortcut(Key::f5) << u"F5"_s;
        QTest::newRow("Shift+F5") << Key::f5 << int(Qt::Key_F5) << int(Qt::ShiftModifier)
                                  << Shortcut(Key::f5, ShiftModifier) << u"Shift+F5"_s;
        // F12 alone is taken without asking, even though the desktop lists it.
        QTest::newRow("F12") << Key::f12 << int(Qt::Key_F12) << int(Qt::NoModifier)
                             << Shortcut(Key::f12) << u"F12"_s;
        QTest::newRow("Ctrl+Alt+K")
            << Key::k << int(Qt::Key_K) << int(Qt::ControlModifier | Qt::AltModifier)
            << Shortcut(Key::k, ControlModifier | OptionModifier) << u"Ctrl+Alt+K"_s;
        QTest::newRow("Ctrl+Escape")
            << Key::escape << int(Qt::Key_Escape) << int(Qt::ControlModifier)
            << Shortcut(Key::escape, ControlModifier) << u"Ctrl+Esc"_s;
    }

    void acceptedKeysAreStored()
    {
        QFETCH(Key, key);
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        QFETCH(Shortcut, expected);
        QFETCH(QString, text);
        m_services.system = { Shortcut(Key::f12) };
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        press(recorder, key, Qt::Key(qtKey), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(m_services.beeps, 0);
        QVERIFY(m_services.alerts.isEmpty());
        QCOMPARE(getShortcut(name), expected);
        QCOMPARE(recorder->text(), text);
        QVERIFY(recorder->isClearButtonShown());
        QCOMPARE(m_changes, (QList<std::optional<Shortcut>> { expected }));
        QVERIFY(!recorder->isRecording());
        QVERIFY(m_backend->idOf(expected));
    }

    void deleteKeys_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("hasDefault");
        QTest::addColumn<int>("qtKey");
        QTest::newRow("backspace, empty") << false << false << int(Qt::Key_Backspace);
        QTest::newRow("delete, empty") << false << true << int(Qt::Key_Delete);
        QTest::newRow("backspace clears a name with a default")
            << true << true << int(Qt::Key_Backspace);
        QTest::newRow("delete clears a name without one") << true << false << int(Qt::Key_Delete);
    }

    void deleteKeys()
    {
        QFETCH(bool, stored);
        QFETCH(bool, hasDefault);
        QFETCH(int, qtKey);
        const Name name = hasDefault ? Name(u"withDefault"_s, controlCommandS) : Name(u"plain"_s);
        if (hasDefault && !stored)
            setShortcut(std::nullopt, name);
        if (!hasDefault && stored)
            setShortcut(controlCommandS, name);
        const QString key = name.defaultsKey();
        const QVariant before = m_store->value(key);

        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        const Key deleteKey = qtKey == Qt::Key_Backspace ? Key::delete_ : Key::deleteForward;
        press(recorder, deleteKey, Qt::Key(qtKey));

        QCOMPARE(m_services.beeps, 0);
        QVERIFY(recorder->isRecording()); // the field stays focused
        QCOMPARE(recorder->text(), QString());
        QVERIFY(!getShortcut(name));
        if (!stored) {
            QVERIFY(m_changes.isEmpty());
            QCOMPARE(m_store->value(key), before);
            return;
        }
        QCOMPARE(m_changes, (QList<std::optional<Shortcut>> { std::nullopt }));
        if (hasDefault)
            QCOMPARE(m_store->boolean(key, true), false); // the disabled marker
        else
            QVERIFY(!m_store->contains(key));
    }

    void clearButtonClearsAndKeepsRecording()
    {
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        recorder->pressClearButton();
        QVERIFY(!getShortcut(name));
        QCOMPARE(m_store->boolean(name.defaultsKey(), true), false);
        QVERIFY(!recorder->isClearButtonShown());
        QVERIFY(recorder->isRecording());
        QCOMPARE(m_changes, (QList<std::optional<Shortcut>> { std::nullopt }));
    }

    void menuConflictsAreRefused_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QKeySequence>("menuShortcut");
        QTest::addColumn<Key>("key");
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("conflict"); // empty: no conflict
        const int ctrl = int(Qt::ControlModifier);
        const int ctrlShift = int(Qt::ControlModifier | Qt::ShiftModifier);
        QTest::newRow("top level") << u"top"_s << QKeySequence(Qt::CTRL | Qt::Key_Q) << Key::q
                                   << int(Qt::Key_Q) << ctrl << u"Quit"_s;
        QTest::newRow("in a submenu") << u"sub"_s << QKeySequence(Qt::CTRL | Qt::Key_O) << Key::o
                                      << int(Qt::Key_O) << ctrl << u"Open Recent & More"_s;
        QTest::newRow("capital letter means shift")
            << u"top"_s << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A) << Key::a
            << int(Qt::Key_A) << ctrlShift << u"Quit"_s;
        QTest::newRow("function key") << u"sub"_s << QKeySequence(Qt::CTRL | Qt::Key_F5) << Key::f5
                                      << int(Qt::Key_F5) << ctrl << u"Open Recent & More"_s;
        QTest::newRow("shift differs") << u"top"_s << QKeySequence(Qt::CTRL | Qt::Key_A) << Key::a
                                       << int(Qt::Key_A) << ctrlShift << QString();
        QTest::newRow("modifiers differ")
            << u"top"_s << QKeySequence(Qt::CTRL | Qt::Key_Q) << Key::q << int(Qt::Key_Q)
            << int(Qt::ControlModifier | Qt::MetaModifier) << QString();
    }

    void menuConflictsAreRefused()
    {
        QFETCH(QString, where);
        QFETCH(QKeySequence, menuShortcut);
        QFETCH(Key, key);
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        QFETCH(QString, conflict);

        QMenu file(u"File"_s);
        QMenu *recent = file.addMenu(u"Recent"_s);
        QAction *quit = file.addAction(u"&Quit"_s);
        QAction *open = recent->addAction(u"Open Recent && &More"_s);
        (where == u"top" ? quit : open)->setShortcut(menuShortcut);
        m_services.menuList = { &file };

        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        bool recordingDuringAlert = true;
        m_services.duringAlert = [&] { recordingDuringAlert = recorder->isRecording(); };
        press(recorder, key, Qt::Key(qtKey), Qt::KeyboardModifiers(modifiers));

        if (conflict.isEmpty()) {
            QVERIFY(m_services.alerts.isEmpty());
            QVERIFY(getShortcut(name) != controlCommandS);
            return;
        }
        QCOMPARE(m_services.alerts.size(), 1);
        QCOMPARE(m_services.alerts.first(),
            localizedString("keyboard_shortcut_used_by_menu_item").arg(conflict));
        QVERIFY(m_services.alerts.first().contains(conflict));
        QVERIFY(!recordingDuringAlert); // the alert passes through idle
        QVERIFY(recorder->isRecording()); // and recording goes on afterwards
        QCOMPARE(getShortcut(name), controlCommandS);
        QVERIFY(m_changes.isEmpty());
    }

    void systemConflictAsks_data()
    {
        QTest::addColumn<bool>("force");
        QTest::newRow("OK keeps the old value") << false;
        QTest::newRow("Use Anyway stores it") << true;
    }

    void systemConflictAsks()
    {
        QFETCH(bool, force);
        const Shortcut taken(Key::l, CommandModifier);
        m_services.system = { taken };
        m_services.chooseSecondButton = force;
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        press(recorder, Key::l, Qt::Key_L, Qt::MetaModifier);

        QCOMPARE(m_services.alerts.size(), 1);
        QCOMPARE(m_services.alerts.first(),
            localizedString("keyboard_shortcut_used_by_system") + u'\n'
                + localizedString("keyboard_shortcuts_can_be_changed"));
        QCOMPARE(m_services.alertButtons,
            (QStringList { localizedString("ok"), localizedString("force_use_shortcut") }));
        if (force) {
            QCOMPARE(getShortcut(name), taken);
            QVERIFY(!recorder->isRecording());
        } else {
            QCOMPARE(getShortcut(name), controlCommandS);
            QVERIFY(recorder->isRecording());
            QVERIFY(m_changes.isEmpty());
        }
    }

    void anotherNamesShortcutIsRecordedNotRun()
    {
        const Shortcut taken(Key::k, CommandModifier);
        const Name other(u"other"_s, taken);
        int runs = 0;
        onKeyDown(other, [&] { ++runs; });
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        // The desktop reports the press of the other name's shortcut: no action runs.
        m_backend->press(taken);
        m_backend->release(taken);
        QCoreApplication::processEvents();
        press(recorder, Key::k, Qt::Key_K, Qt::MetaModifier);
        QCoreApplication::processEvents();
        QCOMPARE(runs, 0);
        QCOMPARE(getShortcut(name), taken);
        // Recording over, the other name fires again.
        QVERIFY(!handlersSuspended());
        m_backend->press(taken);
        QTRY_VERIFY(runs >= 1);
        removeAllHandlers();
    }

    void changesElsewhereUpdateTheText()
    {
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder recorder(name, {}, nullptr, &m_services);
        setShortcut(Shortcut(Key::k, CommandModifier), name);
        QCOMPARE(recorder.text(), u"Super+K"_s);
        setShortcut(Shortcut(Key::j, CommandModifier), Name(u"unrelated"_s));
        QCOMPARE(recorder.text(), u"Super+K"_s);
        reset(name);
        QCOMPARE(recorder.text(), u"Ctrl+Super+S"_s);
        setShortcut(std::nullopt, name);
        QCOMPARE(recorder.text(), QString());
        QVERIFY(!recorder.isClearButtonShown());
    }

    void windowFocusDoesNotStartRecording()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *recorder = new ShortcutRecorder(
            Name(u"openShelfWindow"_s, controlCommandS), {}, &window, &m_services);
        layout->addWidget(recorder);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(!recorder->hasFocus());
        QVERIFY(!recorder->isRecording());
        QVERIFY(!handlersSuspended());
        // Chosen by the user, it records.
        recorder->setFocus(Qt::TabFocusReason);
        QVERIFY(recorder->isRecording());
    }

    void recordingEndsWhenTheWindowIsLeft()
    {
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_VERIFY(!recorder->isRecording());
        QVERIFY(!handlersSuspended());
    }

    void clickOutsideEndsRecording()
    {
        const Name name(u"openShelfWindow"_s, controlCommandS);
        ShortcutRecorder *recorder = makeRecording(name);
        QVERIFY(recorder);
        // Just inside the 3-pixel margin: still recording.
        const QPoint near = recorder->mapToGlobal(QPoint(-2, 2));
        QMouseEvent inside(QEvent::MouseButtonRelease, QPointF(-2, 2), QPointF(near),
            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(recorder, &inside);
        QVERIFY(recorder->isRecording());
        const QPoint far = recorder->mapToGlobal(QPoint(-40, -40));
        QMouseEvent outside(QEvent::MouseButtonRelease, QPointF(-40, -40), QPointF(far),
            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &outside);
        QVERIFY(!recorder->isRecording());
    }

    void recorderGoneWhileRecordingReleasesSuspension()
    {
        const Name name(u"openShelfWindow"_s, controlCommandS);
        QVERIFY(makeRecording(name));
        QVERIFY(handlersSuspended());
        m_window.reset();
        QVERIFY(!handlersSuspended());
        QVERIFY(!m_center->isRecorderActive());
    }

    void applicationMenusSkipSubmenus()
    {
        QMenu root(u"Root"_s);
        QMenu *sub = root.addMenu(u"Sub"_s);
        const QList<QMenu *> menus = MenuSearch::applicationMenus();
        QVERIFY(menus.contains(&root));
        QVERIFY(!menus.contains(sub));
    }
};

QTEST_MAIN(TestRecorder)
#include "tst_recorder.moc"
