// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QThread>

// org.freedesktop.portal.Desktop with GlobalShortcuts and the host registry on its own bus
// connection and thread, so that the code under test may block on it. Answers every request with
// its Response signal sent before the method reply, the order that catches late subscribers.
// Neither CreateSession nor BindShortcuts lists the keys bound: here that list only decides
// whether a key is logged as still to be assigned. KDE Plasma, which files the shortcuts at
// CreateSession already, is tested for real end to end (test_portal_shortcut.py).
class FakePortal final : public QDBusVirtualObject
{
    Q_OBJECT

public:
    struct Options
    {
        uint bindResponse = 0; // 0 success, 1 cancelled, 2 other
        // "Get": the version is answered only by answerHeld(); "BindShortcuts":
        // never answered, as with a dialog the user left open.
        QStringList unanswered = {};
    };

    FakePortal();
    explicit FakePortal(const Options &options);
    ~FakePortal() override;

    /// Takes the portal's name on the session bus; false when that fails.
    bool start();
    /// Calls made so far, e.g. "Register app.id", "CreateSession token id=TRIGGER",
    /// "BindShortcuts id=TRIGGER", "Close /session/path", "Request.Close", "Get (held)".
    QStringList log() const;
    /// The session of the last CreateSession.
    QString session() const;
    /// Sends Activated (or Deactivated) for the shortcut in session (default: the last one).
    void activate(const QString &shortcutId, bool press, const QString &session = {});
    /// Refuses the next CreateSession calls with response 2, as a portal does
    /// while a closed session's handle is still taken.
    void refuseSessions(int count);
    /// The desktop ends the current session (Closed).
    void closeSession();
    /// Sends the replies held back.
    void answerHeld();

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void respond(
        const QDBusMessage &call, const QString &token, uint code, const QVariantMap &results);

    Options m_options;
    QDBusConnection m_bus;
    QThread m_thread;
    mutable QMutex m_mutex;
    QStringList m_log;
    QString m_session;
    QList<QDBusMessage> m_held;
    int m_refuseSessions = 0;
};
