// SPDX-License-Identifier: GPL-3.0-or-later
// One shortcut: the key at its place, its stored form and how it is shown, on fixed
// US and French layouts.
#include "ShortcutFixture.h"

#include <QTest>
#include <QTranslator>

#include <linux/input-event-codes.h>

#include <optional>

using namespace KeyboardShortcuts;
using namespace KeyboardShortcuts::Testing;
using namespace Qt::StringLiterals;

using Variant = FixedKeyboardLayout::Variant;

class TestShortcut : public QObject
{
    Q_OBJECT

    std::optional<ShortcutFixture> f;

private Q_SLOTS:
    void init() { f.emplace(); }
    void cleanup() { f.reset(); }

    void everyKeyHasItsOwnPlaceAndName()
    {
        QSet<QString> names, texts, symbols;
        for (const KeyRow &row : kKeyTable) {
            const QString name = QLatin1String(row.name.data(), row.name.size());
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            // No two keys share a stored code or a place.
            QCOMPARE(keyRow(row.code), &row);
            QCOMPARE(macKeyCode(row.evdev), std::optional(row.code));
            const Shortcut shortcut(row.code, CarbonModifier::Control);
            // Modifier keys and keys that type nothing on this layout show no name.
            if (shortcut.displayText().endsWith(u'\uFFFD'))
                continue;
            QVERIFY2(!texts.contains(shortcut.displayText()), qPrintable(shortcut.displayText()));
            QVERIFY2(!symbols.contains(shortcut.description()), qPrintable(shortcut.description()));
            texts.insert(shortcut.displayText());
            symbols.insert(shortcut.description());
        }
    }

    void pressedKey_data()
    {
        QTest::addColumn<Variant>("layout");
        QTest::addColumn<QByteArray>("desktop");
        QTest::addColumn<int>("evdev");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("text"); // empty: the key gives no shortcut
        QTest::addColumn<QString>("symbols");
        const auto us = Variant::Us;
        const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
        const auto alt = Qt::KeyboardModifiers(Qt::AltModifier);
        QTest::newRow("default") << us << "GNOME"_ba << KEY_S << (ctrl | Qt::MetaModifier)
                                 << u"Ctrl+Super+S"_s << u"⌃⌘S"_s;
        QTest::newRow("KDE says Meta")
            << us << "KDE"_ba << KEY_S << (ctrl | Qt::MetaModifier) << u"Ctrl+Meta+S"_s << u"⌃⌘S"_s;
        QTest::newRow("modifiers in order")
            << us << QByteArray() << KEY_F5
            << (Qt::MetaModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier)
            << u"Ctrl+Alt+Shift+Super+F5"_s << u"⌃⌥⇧⌘F5"_s;
        QTest::newRow("a place, not a label")
            << Variant::French << QByteArray() << KEY_Q << alt << u"Alt+A"_s << u"⌥A"_s;
        QTest::newRow("accented letter")
            << Variant::French << QByteArray() << KEY_2 << alt << u"Alt+É"_s << u"⌥É"_s;
        // The Apple Help key sits where PC keyboards have Insert.
        QTest::newRow("insert") << us << QByteArray() << KEY_INSERT << ctrl << u"Ctrl+Ins"_s
                                << u"⌃?\u20DD"_s;
        QTest::newRow("keypad") << us << QByteArray() << KEY_KP5 << (ctrl | Qt::KeypadModifier)
                                << u"Ctrl+Num+5"_s << u"⌃5\u20E3"_s;
        QTest::newRow("types nothing")
            << us << QByteArray() << KEY_MUTE << ctrl << u"Ctrl+\uFFFD"_s << u"⌃\uFFFD"_s;
        QTest::newRow("no place") << us << QByteArray() << KEY_SYSRQ << ctrl << QString()
                                  << QString();
    }

    void pressedKey()
    {
        QFETCH(Variant, layout);
        QFETCH(QByteArray, desktop);
        QFETCH(int, evdev);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, text);
        QFETCH(QString, symbols);
        f->layout.setVariant(layout);
        qputenv("XDG_CURRENT_DESKTOP", desktop);
        const auto restore = qScopeGuard([] { qunsetenv("XDG_CURRENT_DESKTOP"); });
        const QKeyEvent event = keyEvent(QEvent::KeyPress, evdev, modifiers);
        const auto shortcut = Shortcut::fromKeyEvent(&event);
        QCOMPARE(shortcut.has_value(), !text.isEmpty());
        if (!shortcut)
            return;
        QCOMPARE(shortcut->displayText(), text);
        QCOMPARE(shortcut->description(), symbols);
    }

    void storedForm_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("text"); // empty: not a shortcut
        QTest::newRow("members reversed")
            << R"({"carbonModifiers":4352,"carbonKeyCode":1})"_ba << u"Ctrl+Super+S"_s;
        QTest::newRow("extra member and spaces")
            << R"( { "carbonKeyCode" : 12 , "note": "x", "carbonModifiers" : 2560 } )"_ba
            << u"Alt+Shift+Q"_s;
        QTest::newRow("function") << R"({"carbonKeyCode":1,"carbonModifiers":131328})"_ba
                                  << u"Super+Fn+S"_s;
        QTest::newRow("string member")
            << R"({"carbonKeyCode":"1","carbonModifiers":0})"_ba << QString();
        QTest::newRow("fraction") << R"({"carbonKeyCode":1.5,"carbonModifiers":0})"_ba << QString();
        QTest::newRow("disabled marker") << "false"_ba << QString();
    }

    void storedForm()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, text);
        const auto shortcut = Shortcut::fromJson(json);
        QCOMPARE(shortcut.has_value(), !text.isEmpty());
        if (shortcut)
            QCOMPARE(shortcut->displayText(), text);
    }

    void keyNamesAreSingleCharacters()
    {
        const int x = int(namedKey("x").rawValue());
        for (const QString &one : { u"e\u0301"_s, u"\U0001D11E"_s }) {
            f->layout.setText(x, one);
            QCOMPARE(keyToCharacter(x), std::optional(one));
        }
        for (const QString &notOne : { u"xy"_s, QString() }) {
            f->layout.setText(x, notOne);
            QCOMPARE(keyToCharacter(x), std::nullopt);
        }
    }

    void catalogHasGermanText()
    {
        QTranslator german;
        QVERIFY(german.load(u"keyboardshortcuts_de"_s, u":/KeyboardShortcuts/i18n"_s));
        QCOMPARE(german.translate("KeyboardShortcuts", "space_key"), u"Leertaste"_s);
    }
};

QTEST_MAIN(TestShortcut)
#include "tst_shortcut.moc"
