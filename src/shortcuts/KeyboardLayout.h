// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace KeyboardShortcuts {

// Translates physical keys to the text they produce in the user's current
// keyboard layout. The xkbcommon implementation lives with the backends;
// tests use fixed tables.
class KeyboardLayout : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// The unshifted text that the key at the macOS virtual key code types in the
    /// current layout group; empty when the key types nothing or is unknown.
    virtual QString keyToCharacter(int keyCode) const = 0;

Q_SIGNALS:
    /// The layout or the active group changed; cached texts are stale.
    void layoutChanged();
};

} // namespace KeyboardShortcuts
