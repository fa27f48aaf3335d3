// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixedKeyboardLayout.h"

#include "KeyboardShortcuts/Key.h"

#include <utility>

namespace KeyboardShortcuts::Testing {

namespace {

// Printable keys of a US keyboard; the French table overrides what differs.
const QList<std::pair<Key, const char16_t *>> kUs = {
    { Key::a, u"a" },
    { Key::b, u"b" },
    { Key::c, u"c" },
    { Key::d, u"d" },
    { Key::e, u"e" },
    { Key::f, u"f" },
    { Key::g, u"g" },
    { Key::h, u"h" },
    { Key::i, u"i" },
    { Key::j, u"j" },
    { Key::k, u"k" },
    { Key::l, u"l" },
    { Key::m, u"m" },
    { Key::n, u"n" },
    { Key::o, u"o" },
    { Key::p, u"p" },
    { Key::q, u"q" },
    { Key::r, u"r" },
    { Key::s, u"s" },
    { Key::t, u"t" },
    { Key::u, u"u" },
    { Key::v, u"v" },
    { Key::w, u"w" },
    { Key::x, u"x" },
    { Key::y, u"y" },
    { Key::z, u"z" },
    { Key::zero, u"0" },
    { Key::one, u"1" },
    { Key::two, u"2" },
    { Key::three, u"3" },
    { Key::four, u"4" },
    { Key::five, u"5" },
    { Key::six, u"6" },
    { Key::seven, u"7" },
    { Key::eight, u"8" },
    { Key::nine, u"9" },
    { Key::minus, u"-" },
    { Key::equal, u"=" },
    { Key::leftBracket, u"[" },
    { Key::rightBracket, u"]" },
    { Key::backslash, u"\\" },
    { Key::semicolon, u";" },
    { Key::quote, u"'" },
    { Key::backtick, u"`" },
    { Key::comma, u"," },
    { Key::period, u"." },
    { Key::slash, u"/" },
    // The layout answers for special keys too; the module must not ask.
    { Key::space, u" " },
    { Key::return_, u"\r" },
    { Key::tab, u"\t" },
};

const QList<std::pair<Key, const char16_t *>> kFrench = {
    { Key::q, u"a" },
    { Key::w, u"z" },
    { Key::a, u"q" },
    { Key::z, u"w" },
    { Key::semicolon, u"m" },
    { Key::m, u"," },
    { Key::comma, u";" },
    { Key::period, u":" },
    { Key::slash, u"!" },
    { Key::one, u"&" },
    { Key::two, u"é" },
    { Key::three, u"\"" },
    { Key::four, u"'" },
    { Key::five, u"(" },
    { Key::six, u"-" },
    { Key::seven, u"è" },
    { Key::eight, u"_" },
    { Key::nine, u"ç" },
    { Key::zero, u"à" },
    { Key::minus, u")" },
    { Key::leftBracket, u"^" },
    { Key::rightBracket, u"$" },
    { Key::quote, u"ù" },
    { Key::backslash, u"*" },
    { Key::backtick, u"²" },
};

} // namespace

FixedKeyboardLayout::FixedKeyboardLayout(Variant variant, QObject *parent)
    : KeyboardLayout(parent)
{
    setVariant(variant);
}

void FixedKeyboardLayout::setVariant(Variant variant)
{
    m_table.clear();
    for (const auto &[key, text] : kUs)
        m_table.insert(int(key.rawValue()), QString::fromUtf16(text));
    if (variant == Variant::French) {
        for (const auto &[key, text] : kFrench)
            m_table.insert(int(key.rawValue()), QString::fromUtf16(text));
    }
    Q_EMIT layoutChanged();
}

} // namespace KeyboardShortcuts::Testing
