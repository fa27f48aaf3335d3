// SPDX-License-Identifier: GPL-3.0-or-later
#include "updates/StandardUserDriver.h"

#include "core/Logging.h"

#include <QPointer>

namespace vantry {

StandardUserDriver::StandardUserDriver(std::unique_ptr<UpdatePresenter> presenter,
    std::unique_ptr<UrlOpener> urlOpener, SoftwareUpdaterDelegate *delegate, QObject *parent)
    : QObject(parent)
    , m_presenter(std::move(presenter))
    , m_urlOpener(std::move(urlOpener))
    , m_delegate(delegate)
{
    Q_ASSERT(m_presenter && m_urlOpener);
}

StandardUserDriver::~StandardUserDriver() = default;

void StandardUserDriver::setImmediateFocus(std::function<bool()> immediateFocus)
{
    m_immediateFocus = std::move(immediateFocus);
}

bool StandardUserDriver::hasImmediateFocus() const
{
    return m_immediateFocus && m_immediateFocus();
}

void StandardUserDriver::showUpdateCheckInProgress(std::function<void()> cancel)
{
    m_presenter->showChecking(std::move(cancel));
}

void StandardUserDriver::showUpdateFound(
    const AppcastItem &update, const QString &currentVersion, const UpdateState &state)
{
    bool handleShowing = true;
    if (!state.userInitiated && m_delegate && m_delegate->supportsGentleScheduledUpdateReminders())
        handleShowing = m_delegate->shouldHandleShowingScheduledUpdate(update, hasImmediateFocus());
    if (m_delegate)
        m_delegate->willHandleShowingUpdate(handleShowing, update, state);
    if (!handleShowing) {
        // The application reminds the user its own way; the session stays open
        // until the user turns to the update.
        qCInfo(lcUpdates) << "Version" << update.displayVersionString()
                          << "is available; left to a gentle reminder";
        m_reminderPending = true;
        return;
    }
    m_reminderPending = false;
    if (m_delegate)
        m_delegate->didReceiveUserAttentionForUpdate(update);
    QPointer<StandardUserDriver> self(this);
    m_presenter->showUpdateAvailable(
        update, currentVersion, [self, update](UpdatePresenter::Choice choice) {
            if (self)
                self->onChoice(update, choice);
        });
}

void StandardUserDriver::onChoice(const AppcastItem &update, UpdatePresenter::Choice choice)
{
    switch (choice) {
    case UpdatePresenter::Choice::ReleaseNotes:
        if (!update.releaseNotesUrl.isEmpty())
            m_urlOpener->openUrl(update.releaseNotesUrl);
        return;
    case UpdatePresenter::Choice::Download:
        m_urlOpener->openUrl(update.enclosureUrl);
        break;
    case UpdatePresenter::Choice::Later:
        break;
    }
    finishSession();
}

void StandardUserDriver::showUpdateNotFound(const QString &currentVersion, const UpdateState &state)
{
    if (state.userInitiated)
        m_presenter->showUpToDate(currentVersion);
    else
        qCInfo(lcUpdates) << "Version" << currentVersion << "is the newest";
    finishSession(state);
}

void StandardUserDriver::showUpdaterError(const QString &description, const UpdateState &state)
{
    if (state.userInitiated)
        m_presenter->showError(description);
    else
        qCWarning(lcUpdates).noquote() << "Scheduled update check failed:" << description;
    finishSession(state);
}

void StandardUserDriver::showPackageManaged()
{
    m_presenter->showPackageManaged();
}

void StandardUserDriver::finishSession(const UpdateState &state)
{
    // A scheduled check with nothing to show leaves a pending reminder alone:
    // a network hiccup must not withdraw an update the user has not seen yet.
    if (!state.userInitiated && m_reminderPending)
        return;
    m_reminderPending = false;
    finishSession();
}

void StandardUserDriver::finishSession()
{
    if (m_delegate)
        m_delegate->willFinishUpdateSession();
}

} // namespace vantry
