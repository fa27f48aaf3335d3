// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/AppcastItem.h"
#include "updates/SoftwareUpdaterDelegate.h"
#include "updates/UpdatePresenter.h"
#include "updates/UrlOpener.h"

#include <QObject>

#include <functional>
#include <memory>

namespace vantry {

// The updater's user-facing side: decides whether a found update is shown
// now (always for a check the user asked for; for a scheduled one, as the
// delegate decides from immediate focus), shows outcomes through the
// presenter, opens the download, and tells the delegate when the user looks
// at an update and when the session is over.
class StandardUserDriver final : public QObject
{
    Q_OBJECT

public:
    StandardUserDriver(std::unique_ptr<UpdatePresenter> presenter,
        std::unique_ptr<UrlOpener> urlOpener, SoftwareUpdaterDelegate *delegate,
        QObject *parent = nullptr);
    ~StandardUserDriver() override;

    /// Whether one of the application's windows is active right now.
    void setImmediateFocus(std::function<bool()> immediateFocus);
    bool hasImmediateFocus() const;

    /// A check the user asked for is running; cancel ends it.
    void showUpdateCheckInProgress(std::function<void()> cancel);
    void showUpdateFound(
        const AppcastItem &update, const QString &currentVersion, const UpdateState &state);
    void showUpdateNotFound(const QString &currentVersion, const UpdateState &state);
    /// User checks show description; scheduled ones only log it.
    void showUpdaterError(const QString &description, const UpdateState &state);
    void showPackageManaged();

    UpdatePresenter &presenter() const { return *m_presenter; }
    /// A scheduled check found an update that was left to a reminder and not shown yet.
    bool isReminderPending() const { return m_reminderPending; }

private:
    void onChoice(const AppcastItem &update, UpdatePresenter::Choice choice);
    void finishSession();
    void finishSession(const UpdateState &state);

    std::unique_ptr<UpdatePresenter> m_presenter;
    std::unique_ptr<UrlOpener> m_urlOpener;
    SoftwareUpdaterDelegate *m_delegate; // not owned; may be null
    std::function<bool()> m_immediateFocus;
    bool m_reminderPending = false; // a found update was left to a reminder, not shown
};

} // namespace vantry
