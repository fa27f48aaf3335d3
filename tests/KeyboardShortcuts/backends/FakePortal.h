// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QMap>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <QThread>

// org.freedesktop.portal.Desktop with GlobalShortcuts (and optionally the host
// registry) on its own bus connection and thread, so that the code under test
// may block on it. Answers every request with its Response signal sent before
// the method reply, the order that catches late subscribers.
//
// It answers as the real portals were seen to answer. KDE Plasma 5.27
// (xdg-desktop-portal 1.16, xdg-desktop-portal-kde 5.27, KWin's kglobalaccel):
// CreateSession files the shortcuts of its "shortcuts" option under the
// component named after the session token and lists them, each with the key
// the user assigned before, else its preferred trigger (also when kglobalaccel
// refused that key because the desktop uses it); BindShortcuts ignores its
// shortcuts, answers 0 with the session's list (empty without that option)
// and opens systemsettings://kcm_keys/<token>; a key assigned in System
// Settings comes as ShortcutsChanged with the session's whole list. Newer
// portal front ends drop the option (Plasma527WithoutRestore). Portals that
// follow the interface to the letter list what BindShortcuts bound (ListsBound).
class FakePortal final : public QDBusVirtualObject
{
    Q_OBJECT

public:
    enum class Flavour { Plasma527, Plasma527WithoutRestore, ListsBound };
    struct Options
    {
        bool registry = true;
        uint bindResponse = 0; // 0 success, 1 cancelled, 2 other
        QSet<QString> takenTriggers; // the desktop uses them: ListsBound leaves them out
        Flavour flavour = Flavour::Plasma527;
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
    /// The user gives the shortcut a key in the desktop's settings ("" removes it).
    void assign(const QString &shortcutId, const QString &trigger);
    /// What the desktop was asked to open (xdg-open), in order.
    QStringList opened() const;
    /// Refuses the next CreateSession calls with response 2, as a portal does
    /// while a closed session's handle is still taken.
    void refuseSessions(int count);

    QString introspect(const QString &path) const override;
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override;

private:
    void append(const QString &entry);
    void respond(
        const QDBusMessage &call, const QString &token, uint code, const QVariantMap &results);
    QVariant descriptions() const; // the session's list; call with m_mutex held

    Options m_options;
    QDBusConnection m_bus;
    QThread m_thread;
    mutable QMutex m_mutex;
    QStringList m_log;
    QStringList m_opened;
    QString m_session;
    QStringList m_sessionIds; // what the current session holds, in order
    QMap<QString, QString> m_keys; // shortcut id -> key, kept across sessions
    QMap<QString, QString> m_descriptions;
    int m_refuseSessions = 0;
};
