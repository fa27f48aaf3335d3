// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autostart/LoginItemService.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

namespace LaunchAtLogin {

// The login item as an XDG autostart entry, $XDG_CONFIG_HOME/autostart/vantry.desktop,
// starting the program by its full path with --background (no shelf at login).
// It counts as enabled when the entry exists, is not hidden and its Exec runs this
// program; an entry left behind by a copy installed elsewhere does not count and is
// replaced on the next registration.
class AutostartService final : public LoginItemService
{
    Q_DECLARE_TR_FUNCTIONS(LaunchAtLogin::AutostartService)

public:
    /// The entry at entryPath (raw bytes) that starts program.
    AutostartService(QByteArray entryPath, QString program);

    /// The current user's entry, starting the running executable (or its AppImage).
    static AutostartService forCurrentUser();
    /// $XDG_CONFIG_HOME/autostart/vantry.desktop (or ~/.config/...), as bytes.
    static QByteArray defaultEntryPath();

    QByteArray entryPath() const { return m_entryPath; }
    QString program() const { return m_program; }

    /// The text written to the entry.
    QByteArray entryContents() const;

    Status status() const override;
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

private:
    bool runsThisProgram(const QString &execProgram) const;

    QByteArray m_entryPath;
    QString m_program;
};

} // namespace LaunchAtLogin
