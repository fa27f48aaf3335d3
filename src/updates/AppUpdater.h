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
// "Check for Updates…" asks the controller's updater to check.
//
// Scheduled updates are shown in a dialog only while one of the app's windows
// is active ("immediate focus"); otherwise one notification says that a
// version is available.
class AppUpdater final : public QObject
{
    Q_OBJECT

public:
    /// UpdateEnvironment::system() gives the real services.
    explicit AppUpdater(UpdateEnvironment environment, QObject *parent = nullptr);
    ~AppUpdater() override;

    NotificationBridge &notifier() const { return *m_notifier; }
    UpdaterDelegate &delegate() const { return *m_delegate; }
    UpdaterController &updaterController() const { return *m_updaterController; }

private:
    std::unique_ptr<NotificationBridge> m_notifier;
    std::unique_ptr<UpdaterDelegate> m_delegate;
    std::unique_ptr<UpdaterController> m_updaterController;
};

} // namespace vantry
