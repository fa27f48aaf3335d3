// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/LocalEventMonitor.h"

#include <QCoreApplication>

namespace KeyboardShortcuts {

LocalEventMonitor::LocalEventMonitor(QList<QEvent::Type> types, Callback callback, QObject *parent)
    : QObject(parent)
    , m_types(std::move(types))
    , m_callback(std::move(callback))
{ }

LocalEventMonitor::~LocalEventMonitor()
{
    stopMonitoring();
}

LocalEventMonitor &LocalEventMonitor::startMonitoring()
{
    auto *app = QCoreApplication::instance();
    if (!m_monitoring && app) {
        app->installEventFilter(this);
        m_monitoring = true;
    }
    return *this;
}

void LocalEventMonitor::stopMonitoring()
{
    if (!m_monitoring)
        return;
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    m_monitoring = false;
}

bool LocalEventMonitor::eventFilter(QObject *watched, QEvent *event)
{
    if (m_monitoring && m_callback && m_types.contains(event->type()))
        return m_callback(watched, event);
    return false;
}

} // namespace KeyboardShortcuts
