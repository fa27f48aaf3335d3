// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyboardShortcuts/HotKeyBackend.h"

#include <QHash>
#include <QList>

#include <optional>

namespace KeyboardShortcuts::Testing {

// A hot key backend that records what the hot key layer asks of the system
// and lets a test press registered combinations.
class FakeHotKeyBackend final : public HotKeyBackend
{
    Q_OBJECT

public:
    struct Registration
    {
        quint32 id = 0;
        int keyCode = 0;
        int carbonModifiers = 0;
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

    Status registerHotKey(quint32 id, int keyCode, int carbonModifiers) override;
    void unregisterHotKey(quint32 id) override;
    QString name() const override;
    QList<std::pair<int, int>> systemHotKeys() const override { return m_systemHotKeys; }

    /// Every later registration of this combination is refused with status.
    void refuse(int keyCode, int carbonModifiers, Status status);
    void setSystemHotKeys(QList<std::pair<int, int>> hotKeys)
    {
        m_systemHotKeys = std::move(hotKeys);
    }

    /// What is registered now, by id.
    const QHash<quint32, Registration> &registered() const { return m_registered; }
    /// The id under which the combination is registered now, if it is.
    std::optional<quint32> idOf(int keyCode, int carbonModifiers) const;
    /// Every register and unregister call in order (refused ones included).
    const QList<Record> &calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }

    /// Reports a press (and release) of the combination if it is registered.
    bool press(int keyCode, int carbonModifiers);
    bool release(int keyCode, int carbonModifiers);

private:
    QHash<quint32, Registration> m_registered;
    QList<Record> m_calls;
    QList<std::pair<std::pair<int, int>, Status>> m_refusals;
    QList<std::pair<int, int>> m_systemHotKeys;
};

} // namespace KeyboardShortcuts::Testing
