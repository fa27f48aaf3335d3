// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeHotKeyBackend.h"
#include "FixedKeyboardLayout.h"

#include "shortcuts/KeyTable.h"
#include "shortcuts/KeyboardShortcuts.h"

#include "core/UserDefaults.h"

#include <QKeyEvent>
#include <QTemporaryDir>

namespace KeyboardShortcuts::Testing {

inline const Shortcut controlCommandS(namedKey("s"), ControlModifier | CommandModifier);
inline const Shortcut optionF(namedKey("f"), OptionModifier);

// The shortcut module with services of its own: a store in a temporary folder, the
// recording backend and a fixed US layout, unless a real backend and layout are given.
// Make one per test case; it is the current center while it lives.
struct ShortcutFixture
{
    explicit ShortcutFixture(
        HotKeyBackend *realBackend = nullptr, KeyboardLayout *realLayout = nullptr)
        : center(&store, realBackend ? realBackend : &backend, realLayout ? realLayout : &layout)
    { }

    QTemporaryDir dir;
    vantry::UserDefaults store { dir.filePath(QStringLiteral("vantry.conf")) };
    FakeHotKeyBackend backend;
    FixedKeyboardLayout layout;
    ShortcutCenter center;
};

/// A key event as the display server delivers it: the key located by its evdev code.
inline QKeyEvent keyEvent(QEvent::Type type, int evdev, Qt::KeyboardModifiers modifiers,
    Qt::Key key = Qt::Key_unknown, bool autoRepeat = false)
{
    return QKeyEvent(type, key, modifiers, quint32(evdev + 8), 0, 0, QString(), autoRepeat);
}

} // namespace KeyboardShortcuts::Testing
