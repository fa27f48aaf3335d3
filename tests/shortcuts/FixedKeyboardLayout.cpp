// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixedKeyboardLayout.h"

#include "shortcuts/Key.h"

namespace KeyboardShortcuts::Testing {

namespace {

// The keys in the order of the characters they type on a US keyboard.
const Key kUsKeys[] = { Key::a, Key::b, Key::c, Key::d, Key::e, Key::f, Key::g, Key::h, Key::i,
    Key::j, Key::k, Key::l, Key::m, Key::n, Key::o, Key::p, Key::q, Key::r, Key::s, Key::t, Key::u,
    Key::v, Key::w, Key::x, Key::y, Key::z, Key::zero, Key::one, Key::two, Key::three, Key::four,
    Key::five, Key::six, Key::seven, Key::eight, Key::nine };
const QStringView kUsText = u"abcdefghijklmnopqrstuvwxyz0123456789";

// What a French keyboard changes of that.
const std::pair<Key, QStringView> kFrench[] = { { Key::q, u"a" }, { Key::a, u"q" },
    { Key::w, u"z" }, { Key::z, u"w" }, { Key::two, u"é" } };

} // namespace

FixedKeyboardLayout::FixedKeyboardLayout(Variant variant)
{
    setVariant(variant);
}

void FixedKeyboardLayout::setVariant(Variant variant)
{
    m_table.clear();
    for (qsizetype i = 0; i < kUsText.size(); ++i)
        m_table.insert(int(kUsKeys[i].rawValue()), kUsText.mid(i, 1).toString());
    if (variant == Variant::French) {
        for (const auto &[key, text] : kFrench)
            m_table.insert(int(key.rawValue()), text.toString());
    }
    Q_EMIT layoutChanged();
}

} // namespace KeyboardShortcuts::Testing
