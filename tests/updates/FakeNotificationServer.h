// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// A notification server on its own bus connection, so calls to it travel
// through the test's private dbus-daemon like calls to a real one. It answers
// as dunst does: the same capabilities (markup in the body included), and a
// replaces_id is taken as the new id even when nothing with it is shown.
class FakeNotificationServer final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown
    {
        QString appName;
        QString summary;
        QString body;
        QString text; // what the user reads in the body
        QVariantMap hints;
    };
    struct NotifyCall
    {
        quint32 replacesId = 0;
        quint32 answeredId = 0;
    };

    FakeNotificationServer();
    ~FakeNotificationServer() override;

    /// Takes the well-known name; false when that failed.
    bool start();
    void stop();

    QMap<quint32, Shown> shown; // what is on screen, by id
    QList<NotifyCall> notifyCalls;
    QList<quint32> closeCalls;
    QStringList capabilities;

public Q_SLOTS:
    quint32 Notify(const QString &appName, quint32 replacesId, const QString &appIcon,
        const QString &summary, const QString &body, const QStringList &actions,
        const QVariantMap &hints, qint32 expireTimeout);
    void CloseNotification(quint32 id);
    QStringList GetCapabilities();
    QString GetServerInformation(QString &vendor, QString &version, QString &specVersion);

private:
    QDBusConnection m_bus;
    quint32 m_nextId = 1;
};
