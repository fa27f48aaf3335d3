// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/Name.h"

#include <QObject>
#include <QPointer>
#include <QUuid>

#include <optional>

namespace KeyboardShortcuts {

class ShortcutCenter;

enum class EventType { KeyDown, KeyUp };

// A subscription to a name's presses and releases (see events()). It starts
// receiving on the next turn of the event loop and ends when it is destroyed;
// both the subscription and its removal happen later on the main thread.
class EventStream final : public QObject
{
    Q_OBJECT

public:
    ~EventStream() override;

    Name name() const { return m_name; }
    QUuid id() const { return m_id; }

Q_SIGNALS:
    void triggered(KeyboardShortcuts::EventType type);

private:
    friend class NameLayer;
    EventStream(
        ShortcutCenter *center, const Name &name, std::optional<EventType> only, QObject *parent);
    void yield(EventType type);

    QPointer<ShortcutCenter> m_center;
    Name m_name;
    QUuid m_id;
    std::optional<EventType> m_only;
};

} // namespace KeyboardShortcuts
