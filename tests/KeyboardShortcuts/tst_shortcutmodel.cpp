// SPDX-License-Identifier: GPL-3.0-or-later
// The value types: keys, modifiers, shortcuts from events, JSON, key positions.
#include "KeyboardShortcuts/KeyCodes.h"
#include "KeyboardShortcuts/Shortcut.h"

#include <QKeyEvent>
#include <QSet>
#include <QTest>

#include <linux/input-event-codes.h>

using namespace KeyboardShortcuts;
using namespace Qt::StringLiterals;

namespace {

const QList<Key> kAllNamedKeys = {
    Key::a,
    Key::b,
    Key::c,
    Key::d,
    Key::e,
    Key::f,
    Key::g,
    Key::h,
    Key::i,
    Key::j,
    Key::k,
    Key::l,
    Key::m,
    Key::n,
    Key::o,
    Key::p,
    Key::q,
    Key::r,
    Key::s,
    Key::t,
    Key::u,
    Key::v,
    Key::w,
    Key::x,
    Key::y,
    Key::z,
    Key::zero,
    Key::one,
    Key::two,
    Key::three,
    Key::four,
    Key::five,
    Key::six,
    Key::seven,
    Key::eight,
    Key::nine,
    Key::capsLock,
    Key::shift,
    Key::function,
    Key::control,
    Key::option,
    Key::command,
    Key::rightCommand,
    Key::rightOption,
    Key::rightControl,
    Key::rightShift,
    Key::return_,
    Key::backslash,
    Key::backtick,
    Key::comma,
    Key::equal,
    Key::minus,
    Key::period,
    Key::quote,
    Key::semicolon,
    Key::slash,
    Key::space,
    Key::tab,
    Key::leftBracket,
    Key::rightBracket,
    Key::pageUp,
    Key::pageDown,
    Key::home,
    Key::end,
    Key::upArrow,
    Key::rightArrow,
    Key::downArrow,
    Key::leftArrow,
    Key::escape,
    Key::delete_,
    Key::deleteForward,
    Key::help,
    Key::mute,
    Key::volumeUp,
    Key::volumeDown,
    Key::f1,
    Key::f2,
    Key::f3,
    Key::f4,
    Key::f5,
    Key::f6,
    Key::f7,
    Key::f8,
    Key::f9,
    Key::f10,
    Key::f11,
    Key::f12,
    Key::f13,
    Key::f14,
    Key::f15,
    Key::f16,
    Key::f17,
    Key::f18,
    Key::f19,
    Key::f20,
    Key::keypad0,
    Key::keypad1,
    Key::keypad2,
    Key::keypad3,
    Key::keypad4,
    Key::keypad5,
    Key::keypad6,
    Key::keypad7,
    Key::keypad8,
    Key::keypad9,
    Key::keypadClear,
    Key::keypadDecimal,
    Key::keypadDivide,
    Key::keypadEnter,
    Key::keypadEquals,
    Key::keypadMinus,
    Key::keypadMultiply,
    Key::keypadPlus,
};

QKeyEvent keyEvent(QEvent::Type type, int evdevCode, Qt::KeyboardModifiers modifiers)
{
    return QKeyEvent(type, Qt::Key_unknown, modifiers, quint32(evdevCode + 8), 0, 0);
}

} // namespace

class TestShortcutModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namedKeysHaveTheirVirtualKeyCodes_data();
    void namedKeysHaveTheirVirtualKeyCodes();
    void normalisingKeepsOnlyTheFiveModifiers_data();
    void normalisingKeepsOnlyTheFiveModifiers();
    void eachModifierMapsToItsCounterpart_data();
    void eachModifierMapsToItsCounterpart();
    void shortcutFromEventDropsFunction_data();
    void shortcutFromEventDropsFunction();
    void shortcutFromQtKeyEvent_data();
    void shortcutFromQtKeyEvent();
    void jsonIsCompactWithKeyCodeFirst();
    void jsonDecoding_data();
    void jsonDecoding();
    void everyNamedKeyHasAPositionAndComesBack();
    void knownPositions_data();
    void knownPositions();
    void positionsWithoutVirtualKeyCode_data();
    void positionsWithoutVirtualKeyCode();
};

void TestShortcutModel::namedKeysHaveTheirVirtualKeyCodes_data()
{
    QTest::addColumn<Key>("key");
    QTest::addColumn<qint64>("code");
    QTest::newRow("a") << Key::a << qint64(0);
    QTest::newRow("s") << Key::s << qint64(1);
    QTest::newRow("return") << Key::return_ << qint64(36);
    QTest::newRow("tab") << Key::tab << qint64(48);
    QTest::newRow("space") << Key::space << qint64(49);
    QTest::newRow("delete") << Key::delete_ << qint64(51);
    QTest::newRow("escape") << Key::escape << qint64(53);
    QTest::newRow("command") << Key::command << qint64(55);
    QTest::newRow("function") << Key::function << qint64(63);
    QTest::newRow("keypadEnter") << Key::keypadEnter << qint64(76);
    QTest::newRow("keypad8") << Key::keypad8 << qint64(91);
    QTest::newRow("f1") << Key::f1 << qint64(122);
    QTest::newRow("upArrow") << Key::upArrow << qint64(126);
    QTest::newRow("deleteForward") << Key::deleteForward << qint64(117);
    QTest::newRow("f20") << Key::f20 << qint64(90);
    QTest::newRow("keypad0") << Key::keypad0 << qint64(82);
    QTest::newRow("keypadPlus") << Key::keypadPlus << qint64(69);
}

void TestShortcutModel::namedKeysHaveTheirVirtualKeyCodes()
{
    QFETCH(Key, key);
    QFETCH(qint64, code);
    QCOMPARE(key.rawValue(), code);
    QCOMPARE(kAllNamedKeys.size(), 113);
    QSet<qint64> codes;
    for (const Key &named : kAllNamedKeys)
        codes.insert(named.rawValue());
    QCOMPARE(codes.size(), 113); // no two names share a code
}

void TestShortcutModel::normalisingKeepsOnlyTheFiveModifiers_data()
{
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<qint64>("normalised");
    QTest::newRow("all low bits") << qint64(0xFFFF) << qint64(0x1B00);
    QTest::newRow("function alone") << qint64(0x20000) << qint64(0x20000);
    QTest::newRow("control command") << qint64(0x1100) << qint64(0x1100);
    QTest::newRow("caps lock bit dropped") << qint64(0x400 | 0x100) << qint64(0x100);
    QTest::newRow("high bits dropped") << qint64(0x7FFF0000) << qint64(0x20000);
    QTest::newRow("none") << qint64(0) << qint64(0);
}

void TestShortcutModel::normalisingKeepsOnlyTheFiveModifiers()
{
    QFETCH(qint64, stored);
    QFETCH(qint64, normalised);
    QCOMPARE(normalizedCarbonModifiers(stored), normalised);
    QCOMPARE(Shortcut(1, stored).carbonModifiers(), normalised);
    QCOMPARE(Shortcut(1, stored).carbonKeyCode(), qint64(1));
}

void TestShortcutModel::eachModifierMapsToItsCounterpart_data()
{
    QTest::addColumn<ModifierFlags>("flags");
    QTest::addColumn<qint64>("carbon");
    QTest::addColumn<Qt::KeyboardModifiers>("qt");
    QTest::newRow("shift") << ModifierFlags(ShiftModifier) << qint64(512)
                           << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("control") << ModifierFlags(ControlModifier) << qint64(4096)
                             << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("option") << ModifierFlags(OptionModifier) << qint64(2048)
                            << Qt::KeyboardModifiers(Qt::AltModifier);
    QTest::newRow("command") << ModifierFlags(CommandModifier) << qint64(256)
                             << Qt::KeyboardModifiers(Qt::MetaModifier);
    QTest::newRow("function has no Qt modifier")
        << ModifierFlags(FunctionModifier) << qint64(131072) << Qt::KeyboardModifiers();
    QTest::newRow("caps lock and keypad are not modifiers")
        << (CapsLockModifier | NumericPadModifier) << qint64(0) << Qt::KeyboardModifiers();
}

void TestShortcutModel::eachModifierMapsToItsCounterpart()
{
    QFETCH(ModifierFlags, flags);
    QFETCH(qint64, carbon);
    QFETCH(Qt::KeyboardModifiers, qt);
    QCOMPARE(carbonModifiers(flags), carbon);
    QCOMPARE(modifierFlags(carbon), flags & ~(CapsLockModifier | NumericPadModifier));
    QCOMPARE(qtModifiers(flags), qt);
    if (qt)
        QCOMPARE(modifierFlags(qt), flags);
    QCOMPARE(Shortcut(Key::s, flags).carbonModifiers(), carbon);
}

void TestShortcutModel::shortcutFromEventDropsFunction_data()
{
    QTest::addColumn<Shortcut::EventKind>("kind");
    QTest::addColumn<ModifierFlags>("flags");
    QTest::addColumn<bool>("gives");
    QTest::addColumn<qint64>("carbon");
    QTest::newRow("key down with function")
        << Shortcut::EventKind::KeyDown << (CommandModifier | FunctionModifier) << true
        << qint64(256);
    QTest::newRow("key up") << Shortcut::EventKind::KeyUp << (ControlModifier | ShiftModifier)
                            << true << qint64(4096 | 512);
    QTest::newRow("other event") << Shortcut::EventKind::Other << ModifierFlags(CommandModifier)
                                 << false << qint64(0);
}

void TestShortcutModel::shortcutFromEventDropsFunction()
{
    QFETCH(Shortcut::EventKind, kind);
    QFETCH(ModifierFlags, flags);
    QFETCH(bool, gives);
    QFETCH(qint64, carbon);
    const auto shortcut = Shortcut::fromEvent(kind, 12, flags | CapsLockModifier);
    QCOMPARE(shortcut.has_value(), gives);
    if (gives) {
        QCOMPARE(shortcut->carbonKeyCode(), qint64(12));
        QCOMPARE(shortcut->carbonModifiers(), carbon);
    }
}

void TestShortcutModel::shortcutFromQtKeyEvent_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("evdev");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("gives");
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<qint64>("carbon");
    QTest::newRow("ctrl super s") << int(QEvent::KeyPress) << KEY_S
                                  << (Qt::ControlModifier | Qt::MetaModifier) << true << qint64(1)
                                  << qint64(4352);
    QTest::newRow("release alt shift q")
        << int(QEvent::KeyRelease) << KEY_Q << (Qt::AltModifier | Qt::ShiftModifier) << true
        << qint64(12) << qint64(2048 | 512);
    QTest::newRow("keypad flag ignored")
        << int(QEvent::KeyPress) << KEY_KP8 << (Qt::KeypadModifier | Qt::ControlModifier) << true
        << qint64(91) << qint64(4096);
    QTest::newRow("shortcut override is no key event")
        << int(QEvent::ShortcutOverride) << KEY_S << Qt::KeyboardModifiers(Qt::ControlModifier)
        << false << qint64(0) << qint64(0);
    QTest::newRow("key without position")
        << int(QEvent::KeyPress) << KEY_SCROLLLOCK << Qt::KeyboardModifiers() << false << qint64(0)
        << qint64(0);
}

void TestShortcutModel::shortcutFromQtKeyEvent()
{
    QFETCH(int, type);
    QFETCH(int, evdev);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, gives);
    QFETCH(qint64, keyCode);
    QFETCH(qint64, carbon);
    const QKeyEvent event = keyEvent(QEvent::Type(type), evdev, modifiers);
    const auto shortcut = Shortcut::fromKeyEvent(&event);
    QCOMPARE(shortcut.has_value(), gives);
    if (gives)
        QCOMPARE(*shortcut, Shortcut(keyCode, carbon));
    QVERIFY(!Shortcut::fromKeyEvent(nullptr));
}

void TestShortcutModel::jsonIsCompactWithKeyCodeFirst()
{
    const Shortcut defaultShortcut(Key::s, CommandModifier | ControlModifier);
    QCOMPARE(defaultShortcut.toJson(), QByteArray(R"({"carbonKeyCode":1,"carbonModifiers":4352})"));
    QCOMPARE(Shortcut::fromJson(defaultShortcut.toJson()), std::optional(defaultShortcut));
}

void TestShortcutModel::jsonDecoding_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("gives");
    QTest::addColumn<qint64>("keyCode");
    QTest::addColumn<qint64>("carbon");
    QTest::newRow("members reversed") << QByteArray(R"({"carbonModifiers":4352,"carbonKeyCode":1})")
                                      << true << qint64(1) << qint64(4352);
    QTest::newRow("extra member and spaces")
        << QByteArray(R"( { "carbonKeyCode" : 1 , "note": "x", "carbonModifiers" : 4352 } )")
        << true << qint64(1) << qint64(4352);
    QTest::newRow("values kept as stored")
        << QByteArray(R"({"carbonKeyCode":70000,"carbonModifiers":65535})") << true << qint64(70000)
        << qint64(65535);
    QTest::newRow("integral float") << QByteArray(R"({"carbonKeyCode":1.0,"carbonModifiers":0})")
                                    << true << qint64(1) << qint64(0);
    QTest::newRow("missing modifiers")
        << QByteArray(R"({"carbonKeyCode":1})") << false << qint64(0) << qint64(0);
    QTest::newRow("missing key code")
        << QByteArray(R"({"carbonModifiers":4352})") << false << qint64(0) << qint64(0);
    QTest::newRow("string member") << QByteArray(R"({"carbonKeyCode":"1","carbonModifiers":0})")
                                   << false << qint64(0) << qint64(0);
    QTest::newRow("fraction") << QByteArray(R"({"carbonKeyCode":1.5,"carbonModifiers":0})") << false
                              << qint64(0) << qint64(0);
    QTest::newRow("null member") << QByteArray(R"({"carbonKeyCode":null,"carbonModifiers":0})")
                                 << false << qint64(0) << qint64(0);
    QTest::newRow("array") << QByteArray("[1,4352]") << false << qint64(0) << qint64(0);
    QTest::newRow("disabled marker") << QByteArray("false") << false << qint64(0) << qint64(0);
    QTest::newRow("truncated") << QByteArray(R"({"carbonKeyCode":1,"carbonModif)") << false
                               << qint64(0) << qint64(0);
    QTest::newRow("empty") << QByteArray() << false << qint64(0) << qint64(0);
}

void TestShortcutModel::jsonDecoding()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, gives);
    QFETCH(qint64, keyCode);
    QFETCH(qint64, carbon);
    const auto shortcut = Shortcut::fromJson(json);
    QCOMPARE(shortcut.has_value(), gives);
    if (gives) {
        QCOMPARE(shortcut->carbonKeyCode(), keyCode);
        QCOMPARE(shortcut->carbonModifiers(), carbon);
    }
}

void TestShortcutModel::everyNamedKeyHasAPositionAndComesBack()
{
    QSet<int> evdevCodes;
    for (const Key &key : kAllNamedKeys) {
        const auto evdev = evdevKeyCode(int(key.rawValue()));
        QVERIFY2(evdev, qPrintable(QString::number(key.rawValue())));
        QVERIFY2(!evdevCodes.contains(*evdev), "two keys at one position");
        evdevCodes.insert(*evdev);
        QCOMPARE(macKeyCode(*evdev), std::optional<int>(int(key.rawValue())));
    }
}

void TestShortcutModel::knownPositions_data()
{
    QTest::addColumn<Key>("key");
    QTest::addColumn<int>("evdev");
    QTest::newRow("a") << Key::a << KEY_A;
    QTest::newRow("s") << Key::s << KEY_S;
    QTest::newRow("q is top left") << Key::q << KEY_Q;
    QTest::newRow("z is bottom left") << Key::z << KEY_Z;
    QTest::newRow("return") << Key::return_ << KEY_ENTER;
    QTest::newRow("escape") << Key::escape << KEY_ESC;
    QTest::newRow("delete is backspace") << Key::delete_ << KEY_BACKSPACE;
    QTest::newRow("forward delete") << Key::deleteForward << KEY_DELETE;
    QTest::newRow("help sits at insert") << Key::help << KEY_INSERT;
    QTest::newRow("keypad clear sits at num lock") << Key::keypadClear << KEY_NUMLOCK;
    QTest::newRow("backtick") << Key::backtick << KEY_GRAVE;
    QTest::newRow("command is super") << Key::command << KEY_LEFTMETA;
    QTest::newRow("right option") << Key::rightOption << KEY_RIGHTALT;
    QTest::newRow("zero") << Key::zero << KEY_0;
    QTest::newRow("f13") << Key::f13 << KEY_F13;
    QTest::newRow("f17") << Key::f17 << KEY_F17;
    QTest::newRow("keypad equals") << Key::keypadEquals << KEY_KPEQUAL;
    QTest::newRow("keypad enter") << Key::keypadEnter << KEY_KPENTER;
    QTest::newRow("volume down") << Key::volumeDown << KEY_VOLUMEDOWN;
}

void TestShortcutModel::knownPositions()
{
    QFETCH(Key, key);
    QFETCH(int, evdev);
    QCOMPARE(evdevKeyCode(int(key.rawValue())), std::optional<int>(evdev));
}

void TestShortcutModel::positionsWithoutVirtualKeyCode_data()
{
    QTest::addColumn<int>("evdev");
    QTest::newRow("scroll lock") << KEY_SCROLLLOCK;
    QTest::newRow("print") << KEY_SYSRQ;
    QTest::newRow("reserved") << KEY_RESERVED;
    QTest::newRow("negative") << -1;
}

void TestShortcutModel::positionsWithoutVirtualKeyCode()
{
    QFETCH(int, evdev);
    QCOMPARE(macKeyCode(evdev), std::nullopt);
    QCOMPARE(evdevKeyCode(-1), std::nullopt);
    QCOMPARE(evdevKeyCode(0x7F), std::nullopt);
}

QTEST_GUILESS_MAIN(TestShortcutModel)
#include "tst_shortcutmodel.moc"
