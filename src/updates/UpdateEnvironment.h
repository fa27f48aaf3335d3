// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/NotificationCenter.h"
#include "updates/UpdatePresenter.h"
#include "updates/UrlOpener.h"

#include <QDateTime>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

namespace vantry {

class UserDefaults;

// How the updater is configured; fromBuild() gives the values this build was made with.
struct UpdateOptions
{
    QUrl feedUrl;
    QString currentVersion;
    /// Off in distribution packages: no scheduled checks, and a user check
    /// explains that updates come from the package manager.
    bool selfUpdateEnabled = true;
    bool automaticallyChecksForUpdates = true;
    std::chrono::milliseconds checkInterval { std::chrono::hours(24) };
    /// The wait before the very first scheduled check, so it does not race the
    /// network coming up at login.
    std::chrono::milliseconds firstCheckDelay { std::chrono::minutes(1) };
    /// The longest single timer wait; the wall clock is consulted again after it,
    /// so a suspended machine still checks on time.
    std::chrono::milliseconds maximumTimerWait { std::chrono::hours(1) };
    std::chrono::milliseconds timeout { std::chrono::seconds(30) };
    qint64 maximumFeedSize = 1024 * 1024;

    static UpdateOptions fromBuild();
};

// Everything the update machinery takes from outside. system() builds the real
// services; tests pass fakes. The clock may be left empty (the wall clock), and so
// may the thread pool (Qt's global one); without immediateFocus no window counts as
// the user's focus.
struct UpdateEnvironment
{
    /// The user's settings store, dialogs, the desktop's URL handler, the given
    /// notification server, and "one of the application's windows is active".
    static UpdateEnvironment system(
        UserDefaults &defaults, std::unique_ptr<NotificationCenter> notifications);

    UpdateOptions options = UpdateOptions::fromBuild();
    UserDefaults *defaults = nullptr;
    std::unique_ptr<UpdatePresenter> presenter;
    std::unique_ptr<UrlOpener> urlOpener;
    std::unique_ptr<NotificationCenter> notificationCenter;
    std::function<bool()> immediateFocus;
    std::function<QDateTime()> clock;
};

} // namespace vantry
