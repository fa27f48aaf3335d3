// SPDX-License-Identifier: GPL-3.0-or-later
#include "autostart/LaunchAtLogin.h"

#include "autostart/AutostartService.h"
#include "autostart/Observable.h"
#include "core/Logging.h"

namespace LaunchAtLogin {

namespace {

std::unique_ptr<LoginItemService> &serviceSlot()
{
    static std::unique_ptr<LoginItemService> service;
    return service;
}

} // namespace

LoginItemService &loginItemService()
{
    auto &service = serviceSlot();
    if (!service)
        service = std::make_unique<AutostartService>(AutostartService::forCurrentUser());
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
