// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/UpdaterDelegate.h"

#include "updates/NotificationBridge.h"
#include "updates/UpdaterController.h"

namespace vantry {

UpdaterDelegate::UpdaterDelegate(NotificationBridge &notifier, QObject *parent)
    : QObject(parent)
    , m_notifier(notifier)
{ }

UpdaterDelegate::~UpdaterDelegate() = default;

bool UpdaterDelegate::supportsGentleScheduledUpdateReminders() const
{
    return true;
}

bool UpdaterDelegate::shouldHandleShowingScheduledUpdate(
    const AppcastItem &update, bool immediateFocus)
{
    Q_UNUSED(update)
    return immediateFocus;
}

void UpdaterDelegate::willHandleShowingUpdate(
    bool handleShowing, const AppcastItem &update, const UpdateState &state)
{
    // A check the user started always shows the updater's own dialog.
    if (handleShowing || state.userInitiated)
        return;
    m_notifier.postUpdateNotification(update.displayVersionString());
}

void UpdaterDelegate::didReceiveUserAttentionForUpdate(const AppcastItem &update)
{
    Q_UNUSED(update)
    m_notifier.removeUpdateNotifications();
}

void UpdaterDelegate::willFinishUpdateSession()
{
    m_notifier.removeUpdateNotifications();
}

void UpdaterDelegate::willScheduleUpdateCheckAfterDelay(std::chrono::milliseconds delay)
{
    Q_UNUSED(delay)
    m_notifier.requestNotificationAuthorization();
}

} // namespace vantry
