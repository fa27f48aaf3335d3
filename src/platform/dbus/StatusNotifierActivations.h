// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPoint>

#include <memory>

namespace vantry {

// The screen point StatusNotifierItem hosts send with Activate, which Qt's tray icon drops.
// A connection of our own, turned into a bus monitor for Activate calls on item paths only,
// sees a copy of each call. It cannot tell our item's calls from another application's, so
// a point only counts together with a click on our icon that comes with it.
class StatusNotifierActivations final : public QObject
{
    Q_OBJECT

public:
    explicit StatusNotifierActivations(QObject *parent = nullptr);
    ~StatusNotifierActivations() override;

    /// Whether a StatusNotifierItem host (the watcher) runs on the session bus now.
    static bool hostRuns();

    /// Connects and starts monitoring; false when there is no session bus or it refuses.
    bool start();

Q_SIGNALS:
    /// An Activate call with its point reached some item.
    void activated(QPoint point);

private:
    class Sink;
    void onActivate(QPoint point);

    QString m_connectionName;
    std::unique_ptr<Sink> m_sink;
};

} // namespace vantry
