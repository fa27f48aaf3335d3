// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class QDBusServiceWatcher;

namespace vantry {

class X11TraySelection;

// Waits for something that can show a tray icon: a StatusNotifierItem host (the
// StatusNotifierWatcher name on the session bus) or an X11 system tray. Qt decides
// once per process whether a tray exists, so the icon must not be made before one
// runs; at login the panel often starts after us.
class TrayHostWatcher final : public QObject
{
    Q_OBJECT

public:
    /// The name StatusNotifierItem hosts register on the session bus.
    static constexpr auto watcherService = "org.kde.StatusNotifierWatcher";

    explicit TrayHostWatcher(std::chrono::milliseconds gracePeriod, QObject *parent = nullptr);
    ~TrayHostWatcher() override;

    /// Looks now; emits hostAvailable at once (before returning) if a host runs, otherwise
    /// keeps watching and emits noHostFound when the grace period ends without one (at once,
    /// before returning, when the grace period is zero).
    void start();

    bool isHostAvailable() const { return m_found; }

Q_SIGNALS:
    /// A tray host runs; emitted once.
    void hostAvailable();
    /// None appeared within the grace period; hostAvailable may still follow later.
    void noHostFound();

private:
    bool lookNow();
    void onHostAppeared();

    std::chrono::milliseconds m_gracePeriod;
    QTimer m_graceTimer;
    X11TraySelection *m_x11 = nullptr;
    QDBusServiceWatcher *m_dbusWatcher = nullptr;
    bool m_found = false;
};

} // namespace vantry
