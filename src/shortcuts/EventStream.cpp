// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/EventStream.h"

#include "shortcuts/NameLayer.h"
#include "shortcuts/ShortcutCenter.h"

namespace KeyboardShortcuts {

EventStream::EventStream(
    ShortcutCenter *center, const Name &name, std::optional<EventType> only, QObject *parent)
    : QObject(parent)
    , m_center(center)
    , m_name(name)
    , m_id(QUuid::createUuid())
    , m_only(only)
{ }

EventStream::~EventStream()
{
    if (m_center)
        m_center->nameLayer().streamEnded(m_name, m_id);
}

void EventStream::yield(EventType type)
{
    if (!m_only || *m_only == type)
        Q_EMIT triggered(type);
}

} // namespace KeyboardShortcuts
