// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QWidget;

namespace MenuBarExtraAccess {

class StatusItem;

// Forwards every report of a status item's button state, starting with the current
// one, to a handler on the main thread. Destroying it ends the observation.
class ButtonStateObserver final : public QObject
{
    Q_OBJECT

public:
    ButtonStateObserver(StatusItem *button, std::function<void(bool)> handler);
    ~ButtonStateObserver() override;

private:
    QPointer<StatusItem> m_objectToObserve;
    QMetaObject::Connection m_observation;
};

// An application-wide subscription to window activation changes: each top-level
// window that passes the filter is handed to the sink. Destroying it cancels it.
class WindowSubscription final : public QObject
{
    Q_OBJECT

public:
    enum class Kind { BecameKey, ResignedKey };

    WindowSubscription(Kind kind, std::function<bool(const QWidget *)> filter,
        std::function<void(QWidget *)> sink);
    ~WindowSubscription() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Kind m_kind;
    std::function<bool(const QWidget *)> m_filter;
    std::function<void(QWidget *)> m_sink;
};

// What one access holds: whether its callback was scheduled, and its observers.
class ObserverContainer final
{
public:
    bool statusItemIntrospectionSetup = false;
    std::unique_ptr<ButtonStateObserver> observer;
    std::unique_ptr<WindowSubscription> windowDidBecomeKeyObserver;
    std::unique_ptr<WindowSubscription> windowDidResignKeyObserver;
};

} // namespace MenuBarExtraAccess
