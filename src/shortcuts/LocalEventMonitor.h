// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <QList>
#include <QObject>

#include <functional>

namespace KeyboardShortcuts {

// Watches the application's own events of chosen types and may swallow them:
// an event filter on the application object. It filters between
// startMonitoring() and stopMonitoring() or its destruction.
//
// Qt offers an event again to application filters as it travels from the
// window to the focus widget and up to its parents, so a callback may see one
// event more than once; swallow it on the first sight when acting on it.
class LocalEventMonitor final : public QObject
{
    Q_OBJECT

public:
    /// Returns true to swallow the event, false to let it through.
    using Callback = std::function<bool(QObject *receiver, QEvent *event)>;

    LocalEventMonitor(QList<QEvent::Type> types, Callback callback, QObject *parent = nullptr);
    ~LocalEventMonitor() override;

    LocalEventMonitor &startMonitoring();
    void stopMonitoring();
    bool isMonitoring() const { return m_monitoring; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QEvent::Type> m_types;
    Callback m_callback;
    bool m_monitoring = false;
};

} // namespace KeyboardShortcuts
