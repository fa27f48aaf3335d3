// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>

#include <chrono>
#include <optional>

namespace vantry {

// The screen point a StatusNotifierItem host sends with Activate reaches us on a bus
// connection of its own, apart from the click on the icon it belongs to: before the click or
// after it, within maxAge of it. Each point goes with one click, so that a later click never
// opens at an earlier one's point. Times are any steady clock's.
class TrayClickPoints
{
public:
    using Time = std::chrono::milliseconds;

    explicit TrayClickPoints(Time maxAge)
        : m_maxAge(maxAge)
    { }

    /// A click on the icon; true when its point came already.
    bool click(Time now);
    /// A point; true when it belongs to the last click, which came before it.
    bool point(QPoint point, Time now);
    /// The last click's point, while that click is recent.
    std::optional<QPoint> clickPoint(Time now) const;

private:
    bool recent(Time then, Time now) const { return now - then <= m_maxAge; }

    Time m_maxAge;
    std::optional<QPoint> m_waiting; // came before a click
    Time m_waitingSince {};
    std::optional<QPoint> m_clickPoint;
    std::optional<Time> m_clickAt;
    int m_awaiting = 0; // recent clicks that came before their points
};

} // namespace vantry
