// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/HotKeyBackend.h"
#include "shortcuts/Shortcut.h"

#include <QHash>
#include <QList>

#include <optional>

namespace KeyboardShortcuts::Testing {

// A hot key backend that keeps what the hot key layer registers and lets a test
// press it. Shortcuts are converted as the dispatcher does.
class FakeHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT

public:
    using HotKeyBackend::HotKeyBackend;

    Status registerHotKey(quint32 id, KeyCombination combination) override;
    void unregisterHotKey(quint32 id) override { registered.remove(id); }
    QString name() const override { return QStringLiteral("fake"); }
    QList<KeyCombination> systemHotKeys() const override { return system; }
    QString desktopSettingsPlace() const override { return place; }

    /// The id under which the shortcut is registered now, if it is.
    std::optional<quint32> idOf(const Shortcut &shortcut) const;
    /// Reports a press (or a release) of the shortcut if it is registered.
    bool press(const Shortcut &shortcut, bool release = false);

    QHash<quint32, KeyCombination> registered; // what the system holds now, by id
    int registerCalls = 0; // refused ones included
    QHash<Shortcut, Status> refusals; // what registering these answers
    QList<KeyCombination> system;
    QString place; // where the desktop would keep what it holds
};

} // namespace KeyboardShortcuts::Testing
