// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeHotKeyBackend.h"

using namespace Qt::StringLiterals;

namespace KeyboardShortcuts::Testing {

HotKeyBackend::Status FakeHotKeyBackend::registerHotKey(
    quint32 id, int keyCode, int carbonModifiers)
{
    m_calls.append({ Call::Register, id });
    for (const auto &[combination, status] : std::as_const(m_refusals)) {
        if (combination == std::pair(keyCode, carbonModifiers))
            return status;
    }
    m_registered.insert(id, { id, keyCode, carbonModifiers });
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

void FakeHotKeyBackend::refuse(int keyCode, int carbonModifiers, Status status)
{
    m_refusals.append({ { keyCode, carbonModifiers }, status });
}

std::optional<quint32> FakeHotKeyBackend::idOf(int keyCode, int carbonModifiers) const
{
    for (const Registration &registration : m_registered) {
        if (registration.keyCode == keyCode && registration.carbonModifiers == carbonModifiers)
            return registration.id;
    }
    return std::nullopt;
}

bool FakeHotKeyBackend::press(int keyCode, int carbonModifiers)
{
    const auto id = idOf(keyCode, carbonModifiers);
    if (id)
        Q_EMIT pressed(*id);
    return id.has_value();
}

bool FakeHotKeyBackend::release(int keyCode, int carbonModifiers)
{
    const auto id = idOf(keyCode, carbonModifiers);
    if (id)
        Q_EMIT released(*id);
    return id.has_value();
}

} // namespace KeyboardShortcuts::Testing
