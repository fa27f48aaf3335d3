// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/SoftwareUpdaterDelegate.h"

#include <QObject>
#include <QPointer>

namespace vantry {

class NotificationBridge;
class UpdaterController;

// The application's part in gentle reminders: a scheduled update is shown by
// the updater only in immediate focus; otherwise one notification tells the
// user, and it is withdrawn once the user turns to the update or the session ends.
class UpdaterDelegate final : public QObject, public SoftwareUpdaterDelegate
{
    Q_OBJECT

public:
    explicit UpdaterDelegate(NotificationBridge &notifier, QObject *parent = nullptr);
    ~UpdaterDelegate() override;

    /// Back reference set by AppUpdater; nothing here reads it.
    QPointer<UpdaterController> updaterController;

    bool supportsGentleScheduledUpdateReminders() const override;
    bool shouldHandleShowingScheduledUpdate(
        const AppcastItem &update, bool immediateFocus) override;
    void willHandleShowingUpdate(
        bool handleShowing, const AppcastItem &update, const UpdateState &state) override;
    void didReceiveUserAttentionForUpdate(const AppcastItem &update) override;
    void willFinishUpdateSession() override;
    void willScheduleUpdateCheckAfterDelay(std::chrono::milliseconds delay) override;

private:
    NotificationBridge &m_notifier;
};

} // namespace vantry
