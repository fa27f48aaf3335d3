// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/AppcastItem.h"

#include <QString>

#include <functional>

namespace vantry {

// Shows the outcome of a check the user asked for. The real one is a small
// dialog; tests use a recording fake.
class UpdatePresenter
{
public:
    enum class Choice {
        ReleaseNotes, // may come several times; the dialog stays open
        Download, // closes the dialog
        Later, // closes the dialog (also when it is closed any other way)
    };

    virtual ~UpdatePresenter() = default;

    /// A check the user asked for is running; cancel ends it. Its outcome follows
    /// through one of the calls below, unless it is cancelled.
    virtual void showChecking(std::function<void()> cancel) = 0;

    /// No newer version than currentVersion exists.
    virtual void showUpToDate(const QString &currentVersion) = 0;
    /// update is newer than currentVersion; choose reports what the user picks.
    virtual void showUpdateAvailable(const AppcastItem &update, const QString &currentVersion,
        std::function<void(Choice)> choose)
        = 0;
    /// The check failed; description says why, for people.
    virtual void showError(const QString &description) = 0;
    /// This build does not update itself: updates come from the package manager.
    virtual void showPackageManaged() = 0;
};

} // namespace vantry
