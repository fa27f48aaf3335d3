// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/KeyboardLayout.h"

#include <QHash>

namespace KeyboardShortcuts::Testing {

// A keyboard layout from a fixed table: the letters and digits of a US (QWERTY) or a
// French (AZERTY) keyboard, by stored key code.
class FixedKeyboardLayout final : public KeyboardLayout
{
    Q_OBJECT

public:
    enum class Variant { Us, French };

    explicit FixedKeyboardLayout(Variant variant = Variant::Us);

    QString keyToCharacter(int keyCode) const override { return m_table.value(keyCode); }

    /// Switches the table and emits layoutChanged.
    void setVariant(Variant variant);
    /// Makes one key type text (which may be several characters, or none).
    void setText(int keyCode, const QString &text) { m_table.insert(keyCode, text); }

private:
    QHash<int, QString> m_table;
};

} // namespace KeyboardShortcuts::Testing
