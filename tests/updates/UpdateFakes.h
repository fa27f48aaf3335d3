// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/NotificationCenter.h"
#include "updates/UpdatePresenter.h"
#include "updates/UrlOpener.h"

#include <QList>
#include <QStringList>
#include <QThread>
#include <QUrl>

// Records what the user would have seen.
class FakePresenter final : public vantry::UpdatePresenter
{
public:
    struct Shown
    {
        QString kind; // "upToDate", "update", "error", "packageManaged"
        QString text; // version or error description
    };

    void showChecking(std::function<void()> cancel) override
    {
        ++checking;
        this->cancel = std::move(cancel);
    }
    void showUpToDate(const QString &currentVersion) override
    {
        shown.append({ QStringLiteral("upToDate"), currentVersion });
    }
    void showUpdateAvailable(const vantry::AppcastItem &update, const QString &,
        std::function<void(Choice)> choose) override
    {
        shown.append({ QStringLiteral("update"), update.displayVersionString() });
        shownOn = QThread::currentThread();
        this->choose = std::move(choose);
    }
    void showError(const QString &description) override
    {
        shown.append({ QStringLiteral("error"), description });
    }
    void showPackageManaged() override { shown.append({ QStringLiteral("packageManaged"), {} }); }

    QList<Shown> shown;
    int checking = 0; // "a check is running" shown, before any outcome
    std::function<void()> cancel;
    QThread *shownOn = nullptr; // the thread the last update was shown on
    std::function<void(Choice)> choose;
};

class FakeUrlOpener final : public vantry::UrlOpener
{
public:
    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return true;
    }
    QList<QUrl> opened;
};

// Stands in for the desktop's notification server: "VT_UPDATE" is shown or not.
class FakeNotificationCenter final : public vantry::NotificationCenter
{
public:
    void add(const vantry::NotificationRequest &request) override
    {
        added.append(request);
        shown = request;
    }
    void removeDelivered(const QStringList &identifiers) override
    {
        removals.append(identifiers);
        if (shown && identifiers.contains(shown->identifier))
            shown.reset();
    }
    void requestAuthorization(std::function<void(bool)> answer) override
    {
        ++authorizationRequests;
        if (answer)
            answer(true);
    }

    QList<vantry::NotificationRequest> added;
    QList<QStringList> removals;
    std::optional<vantry::NotificationRequest> shown;
    int authorizationRequests = 0;
};
