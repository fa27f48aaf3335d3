// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <QThread>

// org.freedesktop.portal.Desktop with GlobalShortcuts (and optionally the host
// registry) on its own bus connection and thread, so that the code under test
// may block on it. Answers every request with its Response signal sent before
// the method reply, the order that catches late subscribers.
class FakePortal final : public QDBusVirtualObject
{
    Q_OBJECT

public:
    struct Options
    {
        bool registry = true;
        uint bindResponse = 0; // 0 success, 1 cancelled, 2 other
        QSet<QString> refusedIds; // left out of a successful bind's result
    };

    explicit FakePortal(const Options &options);
    ~FakePortal() override;

    /// Takes the portal's name on the session bus; false when that fails.
    bool start();
    /// Calls made so far, e.g. "Register app.id", "CreateSession", "BindShortcuts id=TRIGGER".
    QStringList log() const;
    /// The session of the last CreateSession.
    QString session() const;
    /// Sends Activated (or Deactivated) for the shortcut in session (default: the last one).
    void activate(const QString &shortcutId, bool press, const QString &session = {});

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void append(const QString &entry);
    void respond(
        const QDBusMessage &call, const QString &token, uint code, const QVariantMap &results);

    Options m_options;
    QDBusConnection m_bus;
    QThread m_thread;
    mutable QMutex m_mutex;
    QStringList m_log;
    QString m_session;
};
