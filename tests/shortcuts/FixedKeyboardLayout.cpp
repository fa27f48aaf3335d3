// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixedKeyboardLayout.h"

#include "shortcuts/KeyTable.h"

namespace KeyboardShortcuts::Testing {

namespace {

// What a French keyboard types differently.
const std::pair<Key, QStringView> kFrench[] = { { namedKey("q"), u"a" }, { namedKey("a"), u"q" },
    { namedKey("w"), u"z" }, { namedKey("z"), u"w" }, { namedKey("2"), u"é" } };

} // namespace

FixedKeyboardLayout::FixedKeyboardLayout(Variant variant)
{
    setVariant(variant);
}

void FixedKeyboardLayout::setVariant(Variant variant)
{
    m_table.clear();
    // On a US keyboard the letter and digit keys type their own names.
    for (const KeyRow &row : kKeyTable) {
        if (row.name.size() == 1)
            m_table.insert(row.code, QLatin1String(row.name.data(), row.name.size()));
    }
    if (variant == Variant::French) {
        for (const auto &[key, text] : kFrench)
            m_table.insert(int(key.rawValue()), text.toString());
    }
    Q_EMIT layoutChanged();
}

} // namespace KeyboardShortcuts::Testing
