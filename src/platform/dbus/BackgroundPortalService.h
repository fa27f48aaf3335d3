// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autostart/AutostartService.h"
#include "autostart/LoginItemService.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

namespace LaunchAtLogin {

// The login item inside Flatpak: the Background portal's RequestBackground with
// autostart, which lets the desktop (and the user) decide. The portal cannot be
// asked for the current state, so the last granted answer is kept as an
// autostart entry in the sandbox's own config folder; a refused request reads
// as "requires approval" until a later request is granted.
class BackgroundPortalService final : public LoginItemService
{
    Q_DECLARE_TR_FUNCTIONS(LaunchAtLogin::BackgroundPortalService)

public:
    explicit BackgroundPortalService(QDBusConnection bus = QDBusConnection::sessionBus(),
        AutostartService record = AutostartService::forCurrentUser());

    Status status() const override;
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

private:
    struct Answer
    {
        uint response = 2; // 0 granted, 1 cancelled by the user, 2 other
        QVariantMap results;
        QString error; // set when the call itself failed
    };

    Answer request(bool autostart);

    QDBusConnection m_bus;
    AutostartService m_record;
    bool m_denied = false;
};

} // namespace LaunchAtLogin
