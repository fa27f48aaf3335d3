// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"

#include "KeyboardShortcuts/HotKeyDispatcher.h"

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts::Testing {

HotKeyBackend::Status FakeHotKeyBackend::registerHotKey(quint32 id, KeyCombination combination)
{
    m_calls.append({ Call::Register, id });
    for (const auto &[refused, status] : std::as_const(m_refusals)) {
        if (refused == combination)
            return status;
    }
    m_registered.insert(id, { id, combination });
    return NoError;
}

void FakeHotKeyBackend::unregisterHotKey(quint32 id)
{
    m_calls.append({ Call::Unregister, id });
    m_registered.remove(id);
}

QString FakeHotKeyBackend::name() const
{
    return u"fake"_s;
}

void FakeHotKeyBackend::refuse(const Shortcut &shortcut, Status status)
{
    if (const auto combination = HotKeyDispatcher::combinationOf(shortcut))
        m_refusals.append({ *combination, status });
}

std::optional<quint32> FakeHotKeyBackend::idOf(const Shortcut &shortcut) const
{
    const auto combination = HotKeyDispatcher::combinationOf(shortcut);
    for (const Registration &registration : m_registered) {
        if (combination && registration.combination == *combination)
            return registration.id;
    }
    return std::nullopt;
}

bool FakeHotKeyBackend::press(const Shortcut &shortcut)
{
    const auto id = idOf(shortcut);
    if (id)
        Q_EMIT pressed(*id);
    return id.has_value();
}

bool FakeHotKeyBackend::release(const Shortcut &shortcut)
{
    const auto id = idOf(shortcut);
    if (id)
        Q_EMIT released(*id);
    return id.has_value();
}

} // namespace KeyboardShortcuts::Testing
