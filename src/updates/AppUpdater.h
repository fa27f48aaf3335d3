// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/UpdateEnvironment.h"

#include <QObject>

#include <functional>
#include <memory>

namespace vantry {

class NotificationBridge;
class UpdaterController;
class UpdaterDelegate;

// The application's update machinery, created once (by the app delegate)
// and kept for the life of the process. Creating it starts the updater:
// scheduled checks run from then on, in builds that update themselves.
//
// For the status menu: connect "Check for Updates…" to checkForUpdates().
//
//     connect(action, &QAction::triggered, appUpdater, &vantry::AppUpdater::checkForUpdates);
//
// Scheduled updates are shown in a dialog only while one of the app's windows
// is active ("immediate focus"); otherwise one notification says that a
// version is available. Pass the app's own test with setImmediateFocus().
class AppUpdater final : public QObject
{
    Q_OBJECT

public:
    /// The real machinery: the user's settings, dialogs, session bus notifications.
    explicit AppUpdater(QObject *parent = nullptr);
    /// With some services replaced (tests); empty members mean the real ones.
    explicit AppUpdater(UpdateEnvironment environment, QObject *parent = nullptr);
    ~AppUpdater() override;

    NotificationBridge &notifier() const { return *m_notifier; }
    UpdaterDelegate &delegate() const { return *m_delegate; }
    UpdaterController &updaterController() const { return *m_updaterController; }

    /// Whether the shelf or the settings window is active right now. The default
    /// counts any active window of the application.
    void setImmediateFocus(std::function<bool()> immediateFocus);

public Q_SLOTS:
    /// The user's "Check for Updates…": the outcome is always shown in a dialog
    /// (in a build without self-update, one saying where updates come from).
    void checkForUpdates();

private:
    std::unique_ptr<NotificationBridge> m_notifier;
    std::unique_ptr<UpdaterDelegate> m_delegate;
    std::unique_ptr<UpdaterController> m_updaterController;
};

} // namespace vantry
