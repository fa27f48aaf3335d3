// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace LaunchAtLogin {

// The few pieces of the freedesktop Desktop Entry format that an autostart
// entry needs: reading the keys of the [Desktop Entry] group and quoting a
// program path for Exec.
namespace DesktopEntry {

struct Keys
{
    std::optional<QString> exec; // the unescaped value of Exec
    bool hidden = false; // Hidden=true: the entry counts as deleted
    bool gnomeDisabled = false; // X-GNOME-Autostart-enabled=false, as GNOME writes it
};

/// The keys of the [Desktop Entry] group of an entry file's contents.
Keys parse(const QByteArray &contents);

/// The Exec value that runs program without arguments: quoted, with '%' doubled
/// and the string escapes applied, e.g. "/opt/my app/vantry" gives "\"/opt/my app/vantry\"".
QString execValue(const QString &program);

/// The program an (already unescaped) Exec value runs, with its quoting removed;
/// empty when the value is malformed.
QString execProgram(const QString &exec);

/// Applies the escapes of string values: \s \n \t \r and \\.
QString unescapeValue(QStringView value);

} // namespace DesktopEntry
} // namespace LaunchAtLogin
