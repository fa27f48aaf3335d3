// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Settings.h"
#include "updates/AppcastParser.h"
#include "updates/UpdateEnvironment.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

class QFutureWatcherBase;

namespace vantry {

class FeedFetcher;
class SoftwareUpdaterDelegate;
class StandardUserDriver;
class UserDefaults;

// Checks the update feed: when the user asks (checkForUpdates) and, once
// started, on a schedule (every checkInterval since the last check, whose time
// is kept in the settings store). What it finds goes to the user driver; the
// delegate hears when a check is scheduled.
class SoftwareUpdater final : public QObject
{
    Q_OBJECT

public:
    SoftwareUpdater(const UpdateOptions &options, UserDefaults &defaults,
        StandardUserDriver &userDriver, SoftwareUpdaterDelegate *delegate,
        QObject *parent = nullptr);
    ~SoftwareUpdater() override;

    void setClock(std::function<QDateTime()> clock);

    /// Begins scheduled checks (unless this build or the options turn them off).
    void start();

    /// A check the user asked for: its outcome is always shown. In a build
    /// without self-update it explains that the package manager brings updates.
    void checkForUpdates();
    /// Ends the running check without an outcome (the user's Cancel): the request is
    /// aborted, and the attempt counts as a check for the schedule.
    void cancelCheck();
    /// A scheduled check, run now.
    void checkForUpdatesInBackground();

    bool isChecking() const;
    bool automaticallyChecksForUpdates() const;
    QDateTime lastUpdateCheckDate() const;
    /// When the next scheduled check is due; invalid when none is scheduled.
    QDateTime nextCheckDate() const { return m_nextCheck; }
    const UpdateOptions &options() const { return m_options; }

Q_SIGNALS:
    /// A check's outcome has been handed to the user driver.
    void checkFinished();

private:
    void beginCheck(bool userInitiated);
    void onFeed(const QByteArray &body);
    void onParsed(const AppcastParser::Result &feed);
    void onFailure(const QString &description);
    void endCheck();
    void scheduleNextCheck();
    void armTimer();
    void onTimer();
    QDateTime now() const;

    UpdateOptions m_options;
    Settings m_settings;
    StandardUserDriver &m_userDriver;
    SoftwareUpdaterDelegate *m_delegate; // not owned; may be null
    FeedFetcher *m_fetcher;
    QPointer<QFutureWatcherBase> m_parse; // set while a feed is being read
    QTimer m_timer;
    QDateTime m_nextCheck;
    std::function<QDateTime()> m_clock;
    bool m_started = false;
    bool m_userInitiated = false;
};

} // namespace vantry
