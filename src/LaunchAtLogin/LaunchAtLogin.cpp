// SPDX-License-Identifier: GPL-3.0-or-later
#include "LaunchAtLogin/LaunchAtLogin.h"

#include "LaunchAtLogin/AutostartService.h"
#include "LaunchAtLogin/BackgroundPortalService.h"
#include "LaunchAtLogin/Observable.h"
#include "platform/Logging.h"

#include <QFileInfo>

namespace LaunchAtLogin {

namespace {

std::unique_ptr<LoginItemService> &serviceSlot()
{
    static std::unique_ptr<LoginItemService> service;
    return service;
}

std::unique_ptr<LoginItemService> makeSystemService()
{
    // Inside Flatpak the host's autostart folder is out of reach; the portal writes it for us.
    if (QFileInfo::exists(QStringLiteral("/.flatpak-info")))
        return std::make_unique<BackgroundPortalService>();
    return std::make_unique<AutostartService>(AutostartService::forCurrentUser());
}

} // namespace

LoginItemService &loginItemService()
{
    auto &service = serviceSlot();
    if (!service)
        service = makeSystemService();
    return *service;
}

void setLoginItemService(std::unique_ptr<LoginItemService> service)
{
    serviceSlot() = std::move(service);
}

Observable &observable()
{
    // Never destroyed: views may still disconnect from it while the process exits.
    static auto *shared = new Observable;
    return *shared;
}

bool isEnabled()
{
    return loginItemService().status() == Status::enabled;
}

void setEnabled(bool enabled)
{
    Q_EMIT observable().willChange();
    LoginItemService &service = loginItemService();
    std::optional<QString> error;
    if (enabled) {
        // Registering again refreshes an entry that is already there; a failure to
        // remove it first does not matter, the registration decides.
        if (service.status() == Status::enabled)
            (void)service.unregisterItem();
        error = service.registerItem();
    } else {
        error = service.unregisterItem();
    }
    if (error) {
        qCCritical(lcLaunchAtLogin, "Failed to %s launch at login: %s",
            enabled ? "enable" : "disable", qUtf8Printable(*error));
    }
    Q_EMIT observable().didChange();
}

bool Observable::isEnabled() const
{
    return LaunchAtLogin::isEnabled();
}

void Observable::setEnabled(bool enabled)
{
    LaunchAtLogin::setEnabled(enabled);
}

} // namespace LaunchAtLogin
