// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "updates/NotificationCenter.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

#include <optional>

class QDBusPendingCallWatcher;

namespace vantry {

// Notifications through org.freedesktop.Notifications on the session bus.
// The id the server returns for each identifier is kept and passed as
// replaces_id, so one identifier is one notification on screen. While a
// Notify call is on its way, later requests for the same identifier wait for
// its id instead of creating a second notification. Before each Notify the
// server's capabilities are asked, and the body is escaped for servers that
// read it as markup.
class FreedesktopNotificationCenter final : public QObject, public NotificationCenter
{
    Q_OBJECT

public:
    static constexpr auto Service = "org.freedesktop.Notifications";
    static constexpr auto Path = "/org/freedesktop/Notifications";
    static constexpr auto Interface = "org.freedesktop.Notifications";

    explicit FreedesktopNotificationCenter(
        const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~FreedesktopNotificationCenter() override;

    void add(const NotificationRequest &request) override;
    void removeDelivered(const QStringList &identifiers) override;
    void requestAuthorization(std::function<void(bool granted)> answer) override;

    /// The server's id for identifier, or 0 when none is shown (for tests and logs).
    quint32 serverId(const QString &identifier) const;

private:
    struct Entry
    {
        quint32 serverId = 0;
        bool notifying = false; // a Notify call is on its way
        std::optional<NotificationRequest> next; // sent once that call answers
        bool closeWhenKnown = false;
    };

    void notify(const NotificationRequest &request);
    void sendNotify(const NotificationRequest &request, bool markup);
    void onNotifyAnswered(const QString &identifier, QDBusPendingCallWatcher *watcher);
    void close(quint32 serverId);

    QDBusConnection m_bus;
    QHash<QString, Entry> m_entries;
};

} // namespace vantry
