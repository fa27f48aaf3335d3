// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/AppcastItem.h"

#include <chrono>

namespace vantry {

// What the updater knows about the check that found an update.
struct UpdateState
{
    /// The user asked for this check ("Check for Updates…"); otherwise it was scheduled.
    bool userInitiated = false;
};

// The application's say in the updater's work. Every call comes on the main
// thread; each has a default, so a delegate overrides only what it cares about.
class SoftwareUpdaterDelegate
{
public:
    virtual ~SoftwareUpdaterDelegate() = default;

    /// Whether the application takes part in gentle reminders: when it does, a
    /// scheduled update is shown only if the delegate says so.
    virtual bool supportsGentleScheduledUpdateReminders() const { return false; }

    /// Whether the updater should show a scheduled update itself. immediateFocus
    /// tells whether one of the application's windows is active right now.
    virtual bool shouldHandleShowingScheduledUpdate(const AppcastItem &update, bool immediateFocus)
    {
        Q_UNUSED(update)
        return immediateFocus;
    }

    /// An update was found; handleShowing says whether the updater shows it now.
    virtual void willHandleShowingUpdate(
        bool handleShowing, const AppcastItem &update, const UpdateState &state)
    {
        Q_UNUSED(handleShowing)
        Q_UNUSED(update)
        Q_UNUSED(state)
    }

    /// The user is looking at the update (its dialog is shown).
    virtual void didReceiveUserAttentionForUpdate(const AppcastItem &update) { Q_UNUSED(update) }

    /// The updater is done with the current update session.
    virtual void willFinishUpdateSession() { }

    /// The next scheduled check will run after delay.
    virtual void willScheduleUpdateCheckAfterDelay(std::chrono::milliseconds delay)
    {
        Q_UNUSED(delay)
    }
};

} // namespace vantry
