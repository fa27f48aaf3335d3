// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/PortalInterfaces.h"

#include <QDBusMetaType>

namespace KeyboardShortcuts::Portal {

QDBusArgument &operator<<(QDBusArgument &argument, const Shortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, Shortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

void registerTypes()
{
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<ShortcutList>();
}

QString requestPath(const QString &sender, const QString &token)
{
    QString name = sender.startsWith(u':') ? sender.mid(1) : sender;
    name.replace(u'.', u'_');
    return QLatin1String("/org/freedesktop/portal/desktop/request/") + name + u'/' + token;
}

} // namespace KeyboardShortcuts::Portal
