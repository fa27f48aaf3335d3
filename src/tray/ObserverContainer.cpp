// SPDX-License-Identifier: GPL-3.0-or-later
#include "tray/ObserverContainer.h"

#include "tray/StatusItem.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace MenuBarExtraAccess {

ButtonStateObserver::ButtonStateObserver(StatusItem *button, std::function<void(bool)> handler)
    : m_objectToObserve(button)
{
    // Reports arrive later on the main thread, like every other observation here.
    auto report = [this, handler](bool on) {
        QMetaObject::invokeMethod(
            this, [handler, on] { handler(on); }, Qt::QueuedConnection);
    };
    m_observation = connect(button, &StatusItem::stateChanged, this, report);
    report(button->state());
}

ButtonStateObserver::~ButtonStateObserver()
{
    disconnect(m_observation);
}

WindowSubscription::WindowSubscription(
    Kind kind, std::function<bool(const QWidget *)> filter, std::function<void(QWidget *)> sink)
    : m_kind(kind)
    , m_filter(std::move(filter))
    , m_sink(std::move(sink))
{
    QCoreApplication::instance()->installEventFilter(this);
}

WindowSubscription::~WindowSubscription()
{
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool WindowSubscription::eventFilter(QObject *watched, QEvent *event)
{
    // Showing counts with activation and hiding with its loss: a window the window
    // manager shows without focus, or one closed from code, still keeps the flag right.
    const QEvent::Type type = event->type();
    const bool wanted = m_kind == Kind::BecameKey
        ? (type == QEvent::WindowActivate || type == QEvent::Show)
        : (type == QEvent::WindowDeactivate || type == QEvent::Hide);
    if (!wanted || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->isWindow() && m_filter(widget))
        m_sink(widget);
    return false;
}

} // namespace MenuBarExtraAccess
