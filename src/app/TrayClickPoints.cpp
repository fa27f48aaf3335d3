// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TrayClickPoints.h"

namespace vantry {

bool TrayClickPoints::click(Time now)
{
    if (!m_clickAt || !recent(*m_clickAt, now))
        m_awaiting = 0;
    m_clickAt = now;
    m_clickPoint.reset();
    if (m_waiting && recent(m_waitingSince, now))
        m_clickPoint = m_waiting;
    m_waiting.reset();
    if (!m_clickPoint)
        ++m_awaiting;
    return m_clickPoint.has_value();
}

bool TrayClickPoints::point(QPoint point, Time now)
{
    if (m_clickAt && recent(*m_clickAt, now)) {
        // Points come in the order of their clicks. A host may send a click's point twice:
        // with no click waiting, it is no new click's (one right after is the one that
        // closes the shelf).
        if (m_awaiting == 0 || --m_awaiting > 0)
            return false;
        m_clickPoint = point;
        return true;
    }
    m_waiting = point;
    m_waitingSince = now;
    return false;
}

std::optional<QPoint> TrayClickPoints::clickPoint(Time now) const
{
    if (!m_clickAt || !recent(*m_clickAt, now))
        return std::nullopt;
    return m_clickPoint;
}

} // namespace vantry
