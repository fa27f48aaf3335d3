// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/SoftwareUpdater.h"

#include "core/AppInfo.h"
#include "core/Logging.h"
#include "core/UserDefaults.h"
#include "updates/AppcastParser.h"
#include "updates/FeedFetcher.h"
#include "updates/SoftwareUpdaterDelegate.h"
#include "updates/StandardUserDriver.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;
using namespace std::chrono;

namespace vantry {

UpdateOptions UpdateOptions::fromBuild()
{
    UpdateOptions options;
    options.feedUrl = QUrl(AppInfo::feedUrl());
    options.currentVersion = AppInfo::version();
    options.selfUpdateEnabled = AppInfo::selfUpdateEnabled();
    return options;
}

SoftwareUpdater::SoftwareUpdater(const UpdateOptions &options, UserDefaults &defaults,
    StandardUserDriver &userDriver, SoftwareUpdaterDelegate *delegate, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_settings(defaults)
    , m_userDriver(userDriver)
    , m_delegate(delegate)
    , m_fetcher(new FeedFetcher(this))
{
    m_fetcher->setTimeout(m_options.timeout);
    m_fetcher->setMaximumSize(m_options.maximumFeedSize);
    m_fetcher->setUserAgent(AppInfo::name().toUtf8() + '/' + m_options.currentVersion.toUtf8());
    connect(m_fetcher, &FeedFetcher::finished, this, &SoftwareUpdater::onFeed);
    connect(m_fetcher, &FeedFetcher::failed, this, &SoftwareUpdater::onFailure);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SoftwareUpdater::onTimer);
}

SoftwareUpdater::~SoftwareUpdater() = default;

void SoftwareUpdater::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
}

QDateTime SoftwareUpdater::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTimeUtc();
}

bool SoftwareUpdater::automaticallyChecksForUpdates() const
{
    return m_options.selfUpdateEnabled && m_options.automaticallyChecksForUpdates;
}

QDateTime SoftwareUpdater::lastUpdateCheckDate() const
{
    return m_settings.lastUpdateCheck();
}

void SoftwareUpdater::start()
{
    if (m_started)
        return;
    m_started = true;
    if (!automaticallyChecksForUpdates()) {
        qCInfo(lcUpdates) << "Scheduled update checks are off in this build";
        return;
    }
    scheduleNextCheck();
}

bool SoftwareUpdater::isChecking() const
{
    return m_fetcher->isRunning() || m_parse;
}

void SoftwareUpdater::checkForUpdates()
{
    if (!m_options.selfUpdateEnabled) {
        m_userDriver.showPackageManaged();
        return;
    }
    // The user sees at once that a check is running, and can stop it.
    QPointer<SoftwareUpdater> self(this);
    m_userDriver.showUpdateCheckInProgress([self] {
        if (self)
            self->cancelCheck();
    });
    if (isChecking()) {
        // The running check now answers the user.
        m_userInitiated = true;
        return;
    }
    beginCheck(true);
}

void SoftwareUpdater::cancelCheck()
{
    if (!isChecking())
        return;
    m_fetcher->cancel();
    // A parse under way finishes unheard.
    m_parse = nullptr;
    qCInfo(lcUpdates) << "Update check cancelled";
    // Counted like a failed attempt, so the schedule does not start it again at once.
    endCheck();
}

void SoftwareUpdater::checkForUpdatesInBackground()
{
    if (!m_options.selfUpdateEnabled || isChecking())
        return;
    beginCheck(false);
}

void SoftwareUpdater::beginCheck(bool userInitiated)
{
    m_userInitiated = userInitiated;
    m_timer.stop();
    qCDebug(lcUpdates) << "Checking" << m_options.feedUrl.toDisplayString()
                       << (userInitiated ? "for the user" : "on schedule");
    m_fetcher->fetch(m_options.feedUrl);
}

void SoftwareUpdater::onFeed(const QByteArray &body)
{
    // Reading is bounded, yet never done on the UI thread; the outcome comes
    // back here through the watcher, on this object's thread.
    auto *watcher = new QFutureWatcher<AppcastParser::Result>(this);
    m_parse = watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (m_parse == watcher)
            onParsed(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&AppcastParser::parse, body));
}

void SoftwareUpdater::onParsed(const AppcastParser::Result &feed)
{
    m_parse = nullptr;
    const UpdateState state { m_userInitiated };
    endCheck();
    if (!feed.ok()) {
        m_userDriver.showUpdaterError(feed.error, state);
    } else if (auto update = AppcastParser::bestUpdate(feed.items, m_options.currentVersion)) {
        m_userDriver.showUpdateFound(*update, m_options.currentVersion, state);
    } else {
        m_userDriver.showUpdateNotFound(m_options.currentVersion, state);
    }
    Q_EMIT checkFinished();
}

void SoftwareUpdater::onFailure(const QString &description)
{
    const UpdateState state { m_userInitiated };
    endCheck();
    m_userDriver.showUpdaterError(description, state);
    Q_EMIT checkFinished();
}

void SoftwareUpdater::endCheck()
{
    // A failed attempt counts too: an unreachable server is tried again after
    // the interval, not over and over.
    m_settings.setLastUpdateCheck(now());
    m_userInitiated = false;
    if (m_started && automaticallyChecksForUpdates())
        scheduleNextCheck();
}

void SoftwareUpdater::scheduleNextCheck()
{
    const QDateTime current = now();
    const QDateTime last = lastUpdateCheckDate();
    milliseconds delay = m_options.firstCheckDelay;
    if (last.isValid()) {
        const milliseconds elapsed(last.msecsTo(current));
        // A last check "in the future" means the clock was set back: wait a full interval.
        delay = elapsed < 0ms
            ? m_options.checkInterval
            : std::clamp(m_options.checkInterval - elapsed, 0ms, m_options.checkInterval);
    }
    m_nextCheck = current.addMSecs(delay.count());
    if (m_delegate)
        m_delegate->willScheduleUpdateCheckAfterDelay(delay);
    armTimer();
}

void SoftwareUpdater::armTimer()
{
    const milliseconds remaining(std::max<qint64>(0, now().msecsTo(m_nextCheck)));
    m_timer.start(std::min(remaining, m_options.maximumTimerWait));
}

void SoftwareUpdater::onTimer()
{
    if (isChecking())
        return; // the running check schedules the next one
    if (now() < m_nextCheck) {
        armTimer();
        return;
    }
    checkForUpdatesInBackground();
}

} // namespace vantry
