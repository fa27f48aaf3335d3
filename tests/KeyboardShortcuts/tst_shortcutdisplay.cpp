// SPDX-License-Identifier: GPL-3.0-or-later
// Display strings, menu key equivalents and menu actions that follow a name,
// on fixed US and French layouts.
#include "FixedKeyboardLayout.h"

#include "KeyboardShortcuts/KeySymbols.h"
#include "KeyboardShortcuts/KeyboardShortcuts.h"

#include "platform/UserDefaults.h"

#include <QAction>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <memory>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

using Variant = FixedKeyboardLayout::Variant;

class TestShortcutDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void description_data();
    void description();
    void linuxDisplayText_data();
    void linuxDisplayText();
    void menuKeyEquivalent_data();
    void menuKeyEquivalent();
    void keySequenceForQtMenus_data();
    void keySequenceForQtMenus();
    void keyToCharacterWantsExactlyOneCharacter_data();
    void keyToCharacterWantsExactlyOneCharacter();
    void everySpecialKeyHasASymbol();
    void catalogHasGermanText();
    void menuActionFollowsItsName();
    void menuActionShowsNoKeyForKeypadKeys();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<vantry::UserDefaults> m_store;
    std::unique_ptr<FixedKeyboardLayout> m_layout;
    std::unique_ptr<ShortcutCenter> m_center;
};

void TestShortcutDisplay::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<vantry::UserDefaults>(m_dir->filePath(u"vantry.conf"_s));
    m_layout = std::make_unique<FixedKeyboardLayout>();
    m_center = std::make_unique<ShortcutCenter>(m_store.get(), nullptr, m_layout.get());
}

void TestShortcutDisplay::cleanup()
{
    m_center.reset();
    m_layout.reset();
    m_store.reset();
    m_dir.reset();
}

void TestShortcutDisplay::description_data()
{
    QTest::addColumn<Variant>("layout");
    QTest::addColumn<Shortcut>("shortcut");
    QTest::addColumn<QString>("text");
    const auto us = Variant::Us;
    const auto fr = Variant::French;
    QTest::newRow("default on US") << us << Shortcut(1, 4352) << u"⌃⌘S"_s;
    QTest::newRow("key 12 on US") << us << Shortcut(Key::q, CommandModifier) << u"⌘Q"_s;
    QTest::newRow("key 12 on French") << fr << Shortcut(Key::q, CommandModifier) << u"⌘A"_s;
    QTest::newRow("key 0 on French") << fr << Shortcut(Key::a, ControlModifier) << u"⌃Q"_s;
    QTest::newRow("accented key on French") << fr << Shortcut(Key::two, OptionModifier) << u"⌥É"_s;
    QTest::newRow("modifier order")
        << us
        << Shortcut(Key::k, CommandModifier | ShiftModifier | OptionModifier | ControlModifier)
        << u"⌃⌥⇧⌘K"_s;
    QTest::newRow("function after command")
        << us << Shortcut(Key::s, CommandModifier | FunctionModifier) << u"⌘\U0001F310\uFE0ES"_s;
    QTest::newRow("space from the catalog")
        << us << Shortcut(Key::space, CommandModifier) << u"⌘Space"_s;
    QTest::newRow("f5") << us << Shortcut(Key::f5, {}) << u"F5"_s;
    QTest::newRow("f20") << us << Shortcut(Key::f20, ShiftModifier) << u"⇧F20"_s;
    QTest::newRow("return") << us << Shortcut(Key::return_, CommandModifier) << u"⌘↩"_s;
    QTest::newRow("help") << us << Shortcut(Key::help, {}) << u"?\u20DD"_s;
    QTest::newRow("keypad 8") << us << Shortcut(Key::keypad8, ControlModifier) << u"⌃8\u20E3"_s;
    QTest::newRow("keypad clear") << us << Shortcut(Key::keypadClear, {}) << u"\u2612\u20E3"_s;
    QTest::newRow("keypad enter") << us << Shortcut(Key::keypadEnter, {}) << u"↩\u20E3"_s;
    QTest::newRow("untranslatable key")
        << us << Shortcut(Key::mute, CommandModifier) << u"⌘\uFFFD"_s;
}

void TestShortcutDisplay::description()
{
    QFETCH(Variant, layout);
    QFETCH(Shortcut, shortcut);
    QFETCH(QString, text);
    m_layout->setVariant(layout);
    QCOMPARE(shortcut.description(), text);
}

void TestShortcutDisplay::menuKeyEquivalent_data()
{
    QTest::addColumn<Variant>("layout");
    QTest::addColumn<Shortcut>("shortcut");
    QTest::addColumn<std::optional<QString>>("equivalent");
    const auto us = Variant::Us;
    QTest::newRow("letter stays lower case")
        << us << Shortcut(Key::q, CommandModifier) << std::optional(u"q"_s);
    QTest::newRow("key 12 on French")
        << Variant::French << Shortcut(Key::q, CommandModifier) << std::optional(u"a"_s);
    QTest::newRow("space") << us << Shortcut(Key::space, {}) << std::optional(u" "_s);
    QTest::newRow("f1") << us << Shortcut(Key::f1, {}) << std::optional(u"\uF704"_s);
    QTest::newRow("f20") << us << Shortcut(Key::f20, {}) << std::optional(u"\uF717"_s);
    QTest::newRow("escape") << us << Shortcut(Key::escape, {}) << std::optional(u"⎋"_s);
    QTest::newRow("keypad has none")
        << us << Shortcut(Key::keypad1, CommandModifier) << std::optional<QString>();
    QTest::newRow("untranslatable")
        << us << Shortcut(Key::volumeUp, {}) << std::optional<QString>();
}

void TestShortcutDisplay::menuKeyEquivalent()
{
    QFETCH(Variant, layout);
    QFETCH(Shortcut, shortcut);
    QFETCH(std::optional<QString>, equivalent);
    m_layout->setVariant(layout);
    QCOMPARE(shortcut.menuKeyText(), equivalent);
}

void TestShortcutDisplay::linuxDisplayText_data()
{
    QTest::addColumn<QByteArray>("desktop");
    QTest::addColumn<Shortcut>("shortcut");
    QTest::addColumn<QString>("text");
    const Shortcut controlSuperS(Key::s, ControlModifier | CommandModifier);
    QTest::newRow("GNOME") << "GNOME"_ba << controlSuperS << u"Ctrl+Super+S"_s;
    QTest::newRow("KDE says Meta") << "KDE"_ba << controlSuperS << u"Ctrl+Meta+S"_s;
    QTest::newRow("unknown desktop") << QByteArray() << controlSuperS << u"Ctrl+Super+S"_s;
    QTest::newRow("all four, in order")
        << "GNOME"_ba
        << Shortcut(Key::f5, ShiftModifier | CommandModifier | OptionModifier | ControlModifier)
        << u"Ctrl+Alt+Shift+Super+F5"_s;
    QTest::newRow("insert, not help")
        << "GNOME"_ba << Shortcut(Key::help, ControlModifier) << u"Ctrl+Ins"_s;
    QTest::newRow("keypad without a keycap")
        << "GNOME"_ba << Shortcut(Key::keypad5, ControlModifier) << u"Ctrl+Num+5"_s;
    QTest::newRow("space") << "GNOME"_ba << Shortcut(Key::space, OptionModifier) << u"Alt+Space"_s;
}

void TestShortcutDisplay::linuxDisplayText()
{
    QFETCH(QByteArray, desktop);
    QFETCH(Shortcut, shortcut);
    QFETCH(QString, text);
    qputenv("XDG_CURRENT_DESKTOP", desktop);
    const auto restore = qScopeGuard([] { qunsetenv("XDG_CURRENT_DESKTOP"); });
    QCOMPARE(shortcut.displayText(), text);
    // The symbols stay for those who ask for them (and for the error line).
    QVERIFY(!shortcut.description().contains(u'+'));
}

void TestShortcutDisplay::keySequenceForQtMenus_data()
{
    QTest::addColumn<Variant>("layout");
    QTest::addColumn<Shortcut>("shortcut");
    QTest::addColumn<QKeySequence>("sequence");
    const auto us = Variant::Us;
    QTest::newRow("default") << us << Shortcut(1, 4352)
                             << QKeySequence(Qt::CTRL | Qt::META | Qt::Key_S);
    QTest::newRow("French key 12")
        << Variant::French << Shortcut(Key::q, OptionModifier) << QKeySequence(Qt::ALT | Qt::Key_A);
    QTest::newRow("shift digit") << us << Shortcut(Key::one, ShiftModifier | CommandModifier)
                                 << QKeySequence(Qt::SHIFT | Qt::META | Qt::Key_1);
    QTest::newRow("delete is backspace") << us << Shortcut(Key::delete_, CommandModifier)
                                         << QKeySequence(Qt::META | Qt::Key_Backspace);
    QTest::newRow("f12") << us << Shortcut(Key::f12, {}) << QKeySequence(Qt::Key_F12);
    QTest::newRow("function dropped")
        << us << Shortcut(Key::leftArrow, FunctionModifier) << QKeySequence(Qt::Key_Left);
    QTest::newRow("keypad gives none")
        << us << Shortcut(Key::keypad5, CommandModifier) << QKeySequence();
    QTest::newRow("no character gives none") << us << Shortcut(Key::mute, {}) << QKeySequence();
}

void TestShortcutDisplay::keySequenceForQtMenus()
{
    QFETCH(Variant, layout);
    QFETCH(Shortcut, shortcut);
    QFETCH(QKeySequence, sequence);
    m_layout->setVariant(layout);
    QCOMPARE(shortcut.keySequence(), sequence);
}

void TestShortcutDisplay::keyToCharacterWantsExactlyOneCharacter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<std::optional<QString>>("character");
    QTest::newRow("one letter") << u"x"_s << std::optional(u"x"_s);
    QTest::newRow("combining sequence") << u"e\u0301"_s << std::optional(u"e\u0301"_s);
    QTest::newRow("outside the BMP") << u"\U0001D11E"_s << std::optional(u"\U0001D11E"_s);
    QTest::newRow("two letters") << u"xy"_s << std::optional<QString>();
    QTest::newRow("nothing") << QString() << std::optional<QString>();
}

void TestShortcutDisplay::keyToCharacterWantsExactlyOneCharacter()
{
    QFETCH(QString, typed);
    QFETCH(std::optional<QString>, character);
    m_layout->setText(int(Key::x.rawValue()), typed);
    QCOMPARE(keyToCharacter(Key::x.rawValue()), character);
    // Special keys never ask the layout, which knows them too.
    QCOMPARE(keyToCharacter(Key::space.rawValue()), std::nullopt);
    QCOMPARE(keyToCharacter(-1), std::nullopt);
}

void TestShortcutDisplay::everySpecialKeyHasASymbol()
{
    int specials = 0;
    for (int code = 0; code < 128; ++code) {
        const auto special = specialKey(code);
        if (!special)
            continue;
        ++specials;
        QVERIFY2(!displaySymbol(*special).isEmpty(), qPrintable(QString::number(code)));
        const bool keypad = *special >= SpecialKey::Keypad0;
        QCOMPARE(KeyboardShortcuts::menuKeyEquivalent(*special).has_value(), !keypad);
        QCOMPARE(qtKey(*special).has_value(), !keypad);
    }
    QCOMPARE(specials, 53);
}

void TestShortcutDisplay::catalogHasGermanText()
{
    QTranslator german;
    QVERIFY(german.load(u"keyboardshortcuts_de"_s, u":/KeyboardShortcuts/i18n"_s));
    QCOMPARE(german.translate("KeyboardShortcuts", "space_key"), u"Leertaste"_s);
    QTranslator english;
    QVERIFY(english.load(u"keyboardshortcuts_en"_s, u":/KeyboardShortcuts/i18n"_s));
    QVERIFY(english.translate("KeyboardShortcuts", "keyboard_shortcut_used_by_menu_item")
                .contains(u"%1"_s));
}

void TestShortcutDisplay::menuActionFollowsItsName()
{
    const Name name(u"n"_s, Shortcut(1, 4352));
    const Name other(u"other"_s);
    QAction action;
    setMenuItemShortcutName(&action, name);
    QCOMPARE(action.shortcut(), QKeySequence(Qt::CTRL | Qt::META | Qt::Key_S));

    setShortcut(Shortcut(Key::q, OptionModifier), name);
    QTRY_COMPARE(action.shortcut(), QKeySequence(Qt::ALT | Qt::Key_Q));

    setShortcut(Shortcut(Key::w, OptionModifier), other);
    QCoreApplication::processEvents();
    QCOMPARE(action.shortcut(), QKeySequence(Qt::ALT | Qt::Key_Q));

    // Set again for the same name: one observer, not two.
    setMenuItemShortcutName(&action, name);
    setShortcut(std::nullopt, name);
    QTRY_COMPARE(action.shortcut(), QKeySequence());

    setShortcut(Shortcut(Key::e, OptionModifier), name);
    setMenuItemShortcutName(&action, std::nullopt);
    QCOMPARE(action.shortcut(), QKeySequence());
    setShortcut(Shortcut(Key::r, OptionModifier), name);
    QCoreApplication::processEvents();
    QCOMPARE(action.shortcut(), QKeySequence());
}

void TestShortcutDisplay::menuActionShowsNoKeyForKeypadKeys()
{
    QAction action;
    setMenuItemShortcut(&action, Shortcut(Key::f, CommandModifier));
    QCOMPARE(action.shortcut(), QKeySequence(Qt::META | Qt::Key_F));
    setMenuItemShortcut(&action, Shortcut(Key::keypad3, CommandModifier));
    QCOMPARE(action.shortcut(), QKeySequence());
    setMenuItemShortcut(&action, std::nullopt);
    QCOMPARE(action.shortcut(), QKeySequence());
}

QTEST_MAIN(TestShortcutDisplay)
#include "tst_shortcutdisplay.moc"
