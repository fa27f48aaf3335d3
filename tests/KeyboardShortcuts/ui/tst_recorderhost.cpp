// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"
#include "FakeRecorderServices.h"
#include "FixedKeyboardLayout.h"
#include "KeyboardShortcuts/KeyboardShortcuts.h"
#include "KeyboardShortcuts/ui/GlobalKeyboardShortcut.h"
#include "KeyboardShortcuts/ui/RecorderHost.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

class TestRecorderHost final : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<vantry::UserDefaults> m_store;
    std::unique_ptr<FakeHotKeyBackend> m_backend;
    std::unique_ptr<FixedKeyboardLayout> m_layout;
    std::unique_ptr<ShortcutCenter> m_center;
    FakeRecorderServices m_services;
    const Shortcut m_default { Key::s, ControlModifier | CommandModifier };

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QFile::remove(m_dir.filePath(u"vantry.conf"_s));
        m_store = std::make_unique<vantry::UserDefaults>(m_dir.filePath(u"vantry.conf"_s));
        m_backend = std::make_unique<FakeHotKeyBackend>();
        m_layout = std::make_unique<FixedKeyboardLayout>();
        m_center = std::make_unique<ShortcutCenter>(m_store.get(), m_backend.get(), m_layout.get());
    }

    void cleanup()
    {
        m_center.reset();
        m_layout.reset();
        m_backend.reset();
        m_store.reset();
    }

    void refusalShowsANoteUnderTheRecorder()
    {
        m_backend->refuse(m_default, HotKeyBackend::NoService);
        const Name name(u"openShelfWindow"_s, m_default);
        onKeyDown(name, [] {});
        RecorderHost host(u"Open Window:"_s, name, {}, nullptr, &m_services);
        QVERIFY(!host.refusalNote()->isHidden());
        QVERIFY(host.refusalNote()->text().contains(u"“vantry”"_s));
        QVERIFY(host.refusalNote()->accessibleName().isEmpty()); // read as its text

        // A shortcut the desktop takes: the note goes.
        const Shortcut controlCommandD(Key::d, ControlModifier | CommandModifier);
        setShortcut(controlCommandD, name);
        QVERIFY(host.refusalNote()->isHidden());
        // Refused later, as a desktop that answers afterwards does: the note comes back.
        const auto id = m_backend->idOf(controlCommandD);
        QVERIFY(id);
        Q_EMIT m_backend->registrationFailed(*id, HotKeyBackend::RefusedByDesktop);
        QVERIFY(!host.refusalNote()->isHidden());
        // Another name, never refused.
        host.setName(Name(u"another"_s));
        QVERIFY(host.refusalNote()->isHidden());
    }

    void hostsWithAndWithoutLabel()
    {
        const Name name(u"openShelfWindow"_s, m_default);
        RecorderHost bare(name, {}, nullptr, &m_services);
        QVERIFY(!bare.label());
        QCOMPARE(bare.recorder()->text(), u"Ctrl+Super+S"_s);

        RecorderHost titled(u"Open Window:"_s, name, {}, nullptr, &m_services);
        auto *label = qobject_cast<QLabel *>(titled.label());
        QVERIFY(label);
        QCOMPARE(label->text(), u"Open Window:"_s);
        QCOMPARE(label->buddy(), titled.recorder());
        QCOMPARE(titled.recorder()->accessibleName(), u"Open Window:"_s);

        auto *custom = new QLabel(u"Custom"_s);
        RecorderHost built(name, {}, custom, nullptr, &m_services);
        QCOMPARE(built.label(), custom);
        QCOMPARE(custom->parentWidget(), &built);

        titled.setName(Name(u"another"_s));
        QCOMPARE(titled.recorder()->text(), QString());
    }

    void widgetShortcutFollowsTheName()
    {
        const Name name(u"openShelfWindow"_s, m_default);
        QAction action(u"Open"_s);
        QPushButton button(u"Open"_s);
        globalKeyboardShortcut(&action, name);
        globalKeyboardShortcut(&button, name);
        const QKeySequence initial(Qt::CTRL | Qt::META | Qt::Key_S);
        QCOMPARE(action.shortcut(), initial);
        QCOMPARE(button.shortcut(), initial);

        setShortcut(Shortcut(Key::k, CommandModifier), name);
        QCOMPARE(action.shortcut(), QKeySequence(Qt::META | Qt::Key_K));
        // Another name leaves it alone.
        setShortcut(Shortcut(Key::j, CommandModifier), Name(u"other"_s));
        QCOMPARE(action.shortcut(), QKeySequence(Qt::META | Qt::Key_K));
        // A keypad key has no key equivalent, so no shortcut at all.
        setShortcut(Shortcut(Key::keypad1, CommandModifier), name);
        QVERIFY(action.shortcut().isEmpty());
        setShortcut(std::nullopt, name);
        QVERIFY(button.shortcut().isEmpty());
    }

    void widgetShortcutStepsAsideWhileRecording()
    {
        const Name name(u"openShelfWindow"_s, m_default);
        const Name other(u"other"_s);
        QAction action(u"Open"_s);
        globalKeyboardShortcut(&action, name);
        QVERIFY(!action.shortcut().isEmpty());

        QWidget window;
        auto *recorder = new ShortcutRecorder(other, {}, &window, &m_services);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(!recorder->hasFocus()); // never the first field of a window
        QVERIFY(!action.shortcut().isEmpty());
        QTest::mouseClick(recorder, Qt::LeftButton);
        QVERIFY(recorder->isRecording());
        QVERIFY(action.shortcut().isEmpty());
        recorder->clearFocus();
        QCOMPARE(action.shortcut(), QKeySequence(Qt::CTRL | Qt::META | Qt::Key_S));
    }

    void hooksRunWhileTheViewIsShown()
    {
        const Name name(u"openShelfWindow"_s, m_default);
        QWidget view;
        QList<EventType> all;
        int releases = 0;
        onKeyboardShortcut(&view, name, [&](EventType type) { all << type; });
        onGlobalKeyboardShortcut(&view, name, EventType::KeyUp, [&] { ++releases; });

        // Hidden: nothing listens.
        QVERIFY(m_backend->press(m_default));
        QVERIFY(m_backend->release(m_default));
        QCoreApplication::processEvents();
        QVERIFY(all.isEmpty());

        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Subscriptions start on a later turn of the event loop.
        QTRY_VERIFY_WITH_TIMEOUT(
            (m_backend->press(m_default), m_backend->release(m_default), !all.isEmpty()), 5000);
        QTRY_COMPARE(releases, all.count(EventType::KeyUp));
        QVERIFY(all.count(EventType::KeyDown) >= 1);
        QVERIFY(releases >= 1);
    }
};

QTEST_MAIN(TestRecorderHost)
#include "tst_recorderhost.moc"
