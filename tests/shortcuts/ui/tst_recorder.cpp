// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder field, its host with a label and a refusal note, the menu search behind
// its conflict check.
#include "FakeRecorderServices.h"
#include "ShortcutFixture.h"

#include "shortcuts/ui/MenuSearch.h"
#include "shortcuts/ui/RecorderHost.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <linux/input-event-codes.h>

#include <algorithm>
#include <memory>
#include <optional>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

namespace {

enum class Ending { Escape, OtherWindow, ClickOutside, RecorderGone };

void press(QWidget *target, int evdev, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent event = keyEvent(QEvent::KeyPress, evdev, modifiers, key);
    QApplication::sendEvent(target, &event);
}

} // namespace

Q_DECLARE_METATYPE(Ending)

class TestRecorder final : public QObject
{
    Q_OBJECT

    std::optional<ShortcutFixture> f;
    FakeRecorderServices m_services;
    std::unique_ptr<QWidget> m_window;
    QList<std::optional<Shortcut>> m_changes;
    const Name m_name { u"openShelfWindow"_s, controlCommandS };

    // A window with another field first, then a recorder for the name, recording.
    ShortcutRecorder *makeRecording(const Name &name)
    {
        m_window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(m_window.get());
        auto *recorder = new ShortcutRecorder(
            name, [this](const std::optional<Shortcut> &s) { m_changes << s; }, m_window.get(),
            &m_services);
        layout->addWidget(recorder);
        layout->addWidget(new QLineEdit(m_window.get()));
        m_window->show();
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window.get()))
            return nullptr;
        // The window hands its focus to the recorder, which gives it back: that records nothing.
        if (!QTest::qWaitFor([&] { return !recorder->hasFocus(); }) || handlersSuspended())
            return nullptr;
        QTest::mouseClick(recorder, Qt::LeftButton);
        return recorder->isRecording() ? recorder : nullptr;
    }

private Q_SLOTS:
    void init()
    {
        f.emplace();
        m_services = FakeRecorderServices();
        m_changes.clear();
        (void)Name(m_name.rawValue(), controlCommandS); // stores the default
    }

    void cleanup()
    {
        m_window.reset();
        f.reset();
    }

    void emptyFieldShowsThatItRecords()
    {
        ShortcutRecorder *recorder = makeRecording(Name(u"empty"_s));
        QVERIFY(recorder);
        QCOMPARE(recorder->placeholderText(), localizedString("press_shortcut"));
        // Judged by what is drawn: Qt hides the placeholder of a focused centred field.
        const QImage image = recorder->grab().toImage();
        const QRgb base = recorder->palette().color(QPalette::Base).rgb();
        int ink = 0;
        for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y) {
            for (int x = image.width() / 4; x < image.width() * 3 / 4; ++x)
                ink += image.pixel(x, y) != base;
        }
        QVERIFY2(ink > 20, qPrintable(u"%1 pixels of text"_s.arg(ink)));
    }

    void recordingEnds_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::newRow("Escape") << Ending::Escape;
        QTest::newRow("another window active") << Ending::OtherWindow;
        QTest::newRow("click outside") << Ending::ClickOutside;
        QTest::newRow("recorder destroyed") << Ending::RecorderGone;
    }

    // However recording ends, the shortcuts work again and nothing is stored.
    void recordingEnds()
    {
        QFETCH(Ending, ending);
        ShortcutRecorder *recorder = makeRecording(m_name);
        QVERIFY(recorder);
        QVERIFY(handlersSuspended() && recorder->isReadOnly()); // read-only: no caret
        QWidget other;
        switch (ending) {
        case Ending::Escape:
            press(recorder, KEY_ESC, Qt::Key_Escape);
            QVERIFY(!recorder->hasFocus() && !recorder->isReadOnly());
            QCOMPARE(recorder->placeholderText(), localizedString("record_shortcut"));
            break;
        case Ending::OtherWindow:
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            break;
        case Ending::ClickOutside: {
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
            break;
        }
        case Ending::RecorderGone:
            m_window.reset();
            recorder = nullptr;
            break;
        }
        QTRY_VERIFY(!recorder || !recorder->isRecording());
        QVERIFY(!handlersSuspended() && !f->center.isRecorderActive());
        QCOMPARE(getShortcut(m_name), controlCommandS);
        QVERIFY(m_changes.isEmpty());
    }

    void keyPresses_data()
    {
        QTest::addColumn<int>("evdev");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("text"); // what the field shows afterwards
        // "beep", "menu" (an alert), "system" (a question: OK or Use Anyway), or nothing
        QTest::addColumn<QString>("reaction");
        const auto none = Qt::KeyboardModifiers();
        const auto shift = Qt::KeyboardModifiers(Qt::ShiftModifier);
        const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
        const auto super = Qt::KeyboardModifiers(Qt::MetaModifier);
        const QString kept = u"Ctrl+Super+S"_s;
        QTest::newRow("Shift+A") << KEY_A << int(Qt::Key_A) << shift << kept << u"beep"_s;
        QTest::newRow("Ctrl+key without a place")
            << KEY_SYSRQ << int(Qt::Key_Print) << ctrl << kept << u"beep"_s;
        QTest::newRow("Ctrl alone waits")
            << KEY_LEFTCTRL << int(Qt::Key_Control) << ctrl << kept << QString();
        // F12 alone is taken without asking, even though the desktop lists it.
        QTest::newRow("F12") << KEY_F12 << int(Qt::Key_F12) << none << u"F12"_s << QString();
        QTest::newRow("Ctrl+Escape")
            << KEY_ESC << int(Qt::Key_Escape) << ctrl << u"Ctrl+Esc"_s << QString();
        QTest::newRow("Backspace clears")
            << KEY_BACKSPACE << int(Qt::Key_Backspace) << none << QString() << QString();
        QTest::newRow("Delete clears")
            << KEY_DELETE << int(Qt::Key_Delete) << none << QString() << QString();
        QTest::newRow("a menu item's, refused")
            << KEY_O << int(Qt::Key_O) << ctrl << kept << u"menu"_s;
        QTest::newRow("the desktop's, OK keeps the old value")
            << KEY_L << int(Qt::Key_L) << super << kept << u"system"_s;
        QTest::newRow("the desktop's, Use Anyway stores it")
            << KEY_L << int(Qt::Key_L) << super << u"Super+L"_s << u"system"_s;
    }

    void keyPresses()
    {
        QFETCH(int, evdev);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, text);
        QFETCH(QString, reaction);
        m_services.system = { Shortcut(namedKey("f12")), Shortcut(namedKey("l"), CommandModifier) };
        m_services.chooseSecondButton = text == u"Super+L";
        QMenu file(u"File"_s);
        file.addMenu(u"Recent"_s)
            ->addAction(u"Open Recent && &More"_s)
            ->setShortcut(Qt::CTRL | Qt::Key_O);
        m_services.menuList = { &file };
        ShortcutRecorder *recorder = makeRecording(m_name);
        QVERIFY(recorder);
        bool recordingDuringAlert = false;
        m_services.duringAlert = [&] { recordingDuringAlert = recorder->isRecording(); };
        press(recorder, evdev, Qt::Key(key), modifiers);
        QCOMPARE(m_services.beeps, reaction == u"beep" ? 1 : 0);
        const QString alert = reaction == u"menu"
            ? localizedString("keyboard_shortcut_used_by_menu_item").arg(u"Open Recent & More"_s)
            : reaction == u"system" ? localizedString("keyboard_shortcut_used_by_system")
                                    : QString();
        QCOMPARE(m_services.alerts.value(0), alert);
        QVERIFY(!recordingDuringAlert); // an alert passes through idle
        QCOMPARE(recorder->text(), text);
        const auto stored = getShortcut(m_name);
        QCOMPARE(stored ? stored->displayText() : QString(), text);
        // Refused keys and clearing leave the field recording; a new shortcut ends it.
        const bool changed = text != u"Ctrl+Super+S";
        QCOMPARE(recorder->isRecording(), !changed || text.isEmpty());
        QCOMPARE(m_changes, changed ? QList { stored } : QList<std::optional<Shortcut>> {});
        if (stored && changed)
            QVERIFY(f->backend.idOf(*stored));
    }

    void menuSearch_data()
    {
        QTest::addColumn<QKeySequence>("menuShortcut");
        QTest::addColumn<Shortcut>("pressed");
        QTest::addColumn<bool>("found");
        const auto control = ControlModifier;
        const auto controlShift = ControlModifier | ShiftModifier;
        QTest::newRow("capital letter means shift")
            << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)
            << Shortcut(namedKey("a"), controlShift) << true;
        QTest::newRow("function key")
            << QKeySequence(Qt::CTRL | Qt::Key_F5) << Shortcut(namedKey("f5"), control) << true;
        QTest::newRow("space") << QKeySequence(Qt::CTRL | Qt::Key_Space)
                               << Shortcut(namedKey("space"), control) << true;
        QTest::newRow("Insert, where Help sits") << QKeySequence(Qt::CTRL | Qt::Key_Insert)
                                                 << Shortcut(namedKey("help"), control) << true;
        QTest::newRow("shift differs")
            << QKeySequence(Qt::CTRL | Qt::Key_A) << Shortcut(namedKey("a"), controlShift) << false;
        QTest::newRow("modifiers differ")
            << QKeySequence(Qt::CTRL | Qt::Key_Q)
            << Shortcut(namedKey("q"), control | CommandModifier) << false;
        QTest::newRow("two chords") << QKeySequence(Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_Q)
                                    << Shortcut(namedKey("k"), control) << false;
    }

    void menuSearch()
    {
        QFETCH(QKeySequence, menuShortcut);
        QFETCH(Shortcut, pressed);
        QFETCH(bool, found);
        QMenu file(u"File"_s);
        QMenu *recent = file.addMenu(u"Recent"_s);
        QAction *quit = file.addAction(u"&Quit"_s);
        quit->setShortcut(menuShortcut);
        QCOMPARE(MenuSearch::findAction(pressed, { &file }), found ? quit : nullptr);
        // The application's menus: submenus are searched through the menu that holds them.
        const QList<QMenu *> menus = MenuSearch::applicationMenus();
        QVERIFY(menus.contains(&file) && !menus.contains(recent));
    }

    // The field beside its label follows the name's shortcut; a note under it shows
    // while the desktop refuses the shortcut.
    void hostFollowsTheShortcutAndItsRefusal()
    {
        const Shortcut refused(namedKey("q"), CommandModifier);
        f->backend.refusals.insert(refused, HotKeyBackend::NoService);
        setShortcut(refused, m_name);
        RecorderHost host(u"Open Window:"_s, m_name, {}, nullptr, &m_services);
        ShortcutRecorder *recorder = host.recorder();
        auto *label = qobject_cast<QLabel *>(host.label());
        QVERIFY(label);
        QCOMPARE(label->buddy(), recorder);
        QCOMPARE(recorder->accessibleName(), u"Open Window:"_s);
        QCOMPARE(recorder->text(), u"Super+Q"_s);
        QVERIFY(!host.refusalNote()->isHidden());
        QVERIFY(host.refusalNote()->text().contains(u"“vantry”"_s));
        f->layout.setVariant(FixedKeyboardLayout::Variant::French);
        QCOMPARE(recorder->text(), u"Super+A"_s);
        setShortcut(optionF, Name(u"unrelated"_s));
        QCOMPARE(recorder->text(), u"Super+A"_s);

        // A shortcut the desktop takes: the note goes.
        setShortcut(controlCommandS, m_name);
        QCOMPARE(recorder->text(), u"Ctrl+Super+S"_s);
        QVERIFY(host.refusalNote()->isHidden());
        QVERIFY(recorder->isClearButtonShown());
        host.show();
        QAccessibleInterface *field = QAccessible::queryAccessibleInterface(recorder);
        QStringList names;
        for (int i = 0; field && i < field->childCount(); ++i)
            names << field->child(i)->text(QAccessible::Name);
        QVERIFY2(names.contains(u"Clear shortcut"_s), qPrintable(names.join(u", ")));
        // Refused later, as a desktop that answers afterwards does: the note comes back.
        Q_EMIT f->backend.registrationFailed(
            *f->backend.idOf(controlCommandS), HotKeyBackend::RefusedByDesktop);
        QVERIFY(!host.refusalNote()->isHidden());
        setShortcut(std::nullopt, m_name);
        QCOMPARE(recorder->text(), QString());
        QVERIFY(!recorder->isClearButtonShown());
        // Keys someone else holds: it says so, and asks for no binding by hand.
        const Shortcut taken(namedKey("j"), CommandModifier);
        f->backend.refusals.insert(taken, HotKeyBackend::TakenByAnotherClient);
        setShortcut(taken, m_name);
        QVERIFY(host.refusalNote()->text().contains(u"already uses these keys"_s));
        // Filed in the desktop's own settings: the note says where.
        f->backend.place = u"Settings → Keyboard"_s;
        setShortcut(Shortcut(namedKey("k"), CommandModifier), m_name);
        QVERIFY(host.refusalNote()->text().contains(u"Settings → Keyboard."_s));
        QVERIFY(!host.refusalNote()->isHidden());
    }
};

QTEST_MAIN(TestRecorder)
#include "tst_recorder.moc"
