// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace vantry {

// One notification for the desktop to show at once.
struct NotificationRequest
{
    /// Requests with the same identifier share one notification: a later one replaces it.
    QString identifier;
    QString title;
    QString body;
};

// The desktop's notification service, as the application needs it. Every
// failure is swallowed: without a notification server nothing shows and
// nothing is reported.
class NotificationCenter
{
public:
    virtual ~NotificationCenter() = default;

    /// Shows request, replacing the one shown with the same identifier.
    virtual void add(const NotificationRequest &request) = 0;
    /// Withdraws the notifications shown with these identifiers.
    virtual void removeDelivered(const QStringList &identifiers) = 0;
    /// Asks whether notifications can be shown; answer may come later, or never.
    virtual void requestAuthorization(std::function<void(bool granted)> answer) = 0;
};

} // namespace vantry
