// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyboardShortcuts/HotKeyBackend.h"
#include "KeyboardShortcuts/Shortcut.h"

#include <QHash>
#include <QList>

#include <optional>

namespace KeyboardShortcuts::Testing {

// A hot key backend that records what the hot key layer asks of the system
// and lets a test press registered combinations. The helpers that take a
// Shortcut convert it as the dispatcher does.
class FakeHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT

public:
    struct Registration
    {
        quint32 id = 0;
        KeyCombination combination;
        friend bool operator==(const Registration &, const Registration &) = default;
    };

    enum class Call { Register, Unregister };
    struct Record
    {
        Call call;
        quint32 id;
        friend bool operator==(const Record &, const Record &) = default;
    };

    using HotKeyBackend::HotKeyBackend;

    Status registerHotKey(quint32 id, KeyCombination combination) override;
    void unregisterHotKey(quint32 id) override;
    QString name() const override;
    QList<KeyCombination> systemHotKeys() const override { return m_systemHotKeys; }

    /// Every later registration of this shortcut is refused with status.
    void refuse(const Shortcut &shortcut, Status status);
    void setSystemHotKeys(QList<KeyCombination> hotKeys) { m_systemHotKeys = std::move(hotKeys); }

    /// What is registered now, by id.
    const QHash<quint32, Registration> &registered() const { return m_registered; }
    /// The id under which the shortcut is registered now, if it is.
    std::optional<quint32> idOf(const Shortcut &shortcut) const;
    /// Every register and unregister call in order (refused ones included).
    const QList<Record> &calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }

    /// Reports a press (and release) of the shortcut if it is registered.
    bool press(const Shortcut &shortcut);
    bool release(const Shortcut &shortcut);

private:
    QHash<quint32, Registration> m_registered;
    QList<Record> m_calls;
    QList<std::pair<KeyCombination, Status>> m_refusals;
    QList<KeyCombination> m_systemHotKeys;
};

} // namespace KeyboardShortcuts::Testing
