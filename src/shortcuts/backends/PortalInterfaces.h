// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractInterface>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QList>
#include <QString>
#include <QVariantMap>

// Hand-written proxies for the parts of the desktop portal we use; their Qt
// signals relay the D-Bus signals of the same name and signature.
namespace KeyboardShortcuts::Portal {

inline constexpr QLatin1String serviceName { "org.freedesktop.portal.Desktop" };
inline constexpr QLatin1String desktopPath { "/org/freedesktop/portal/desktop" };
inline constexpr QLatin1String globalShortcutsInterface {
    "org.freedesktop.portal.GlobalShortcuts"
};
inline constexpr QLatin1String requestInterface { "org.freedesktop.portal.Request" };
inline constexpr QLatin1String sessionInterface { "org.freedesktop.portal.Session" };
inline constexpr QLatin1String registryInterface { "org.freedesktop.host.portal.Registry" };

/// One entry of a BindShortcuts call or result: (sa{sv}).
struct Shortcut
{
    QString id;
    QVariantMap properties;
};
using ShortcutList = QList<Shortcut>;

QDBusArgument &operator<<(QDBusArgument &argument, const Shortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, Shortcut &shortcut);

/// Registers the types above with QtDBus; safe to call repeatedly.
void registerTypes();

/// The object path the portal will give the request made with token by the
/// connection whose unique name is sender (":1.42" -> ".../request/1_42/token").
QString requestPath(const QString &sender, const QString &token);

class RequestProxy final : public QDBusAbstractInterface
{
    Q_OBJECT

public:
    RequestProxy(const QString &path, const QDBusConnection &bus, QObject *parent = nullptr)
        : QDBusAbstractInterface(serviceName, path, requestInterface.data(), bus, parent)
    { }

Q_SIGNALS:
    void Response(uint response, const QVariantMap &results);
};

class GlobalShortcutsProxy final : public QDBusAbstractInterface
{
    Q_OBJECT

public:
    explicit GlobalShortcutsProxy(const QDBusConnection &bus, QObject *parent = nullptr)
        : QDBusAbstractInterface(
            serviceName, desktopPath, globalShortcutsInterface.data(), bus, parent)
    { }

Q_SIGNALS:
    void Activated(const QDBusObjectPath &sessionHandle, const QString &shortcutId,
        qulonglong timestamp, const QVariantMap &options);
    void Deactivated(const QDBusObjectPath &sessionHandle, const QString &shortcutId,
        qulonglong timestamp, const QVariantMap &options);
};

class SessionProxy final : public QDBusAbstractInterface
{
    Q_OBJECT

public:
    SessionProxy(const QString &path, const QDBusConnection &bus, QObject *parent = nullptr)
        : QDBusAbstractInterface(serviceName, path, sessionInterface.data(), bus, parent)
    { }

Q_SIGNALS:
    void Closed(const QVariantMap &details);
};

} // namespace KeyboardShortcuts::Portal

Q_DECLARE_METATYPE(KeyboardShortcuts::Portal::Shortcut)
