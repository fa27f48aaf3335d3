// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace LaunchAtLogin {

// How the desktop sees this program's login item.
enum class Status {
    notRegistered = 0,
    enabled = 1,
    requiresApproval = 2, // the desktop has not (yet) allowed the request
    notFound = 3, // this program cannot be found, so there is nothing to register
};

// What launch at login needs of the desktop: the current state of this program's
// login item and a way to add or remove it. Every call asks the system afresh.
class LoginItemService
{
public:
    virtual ~LoginItemService() = default;

    /// The login item's state as the system reports it now.
    virtual Status status() const = 0;
    /// Makes the system start this program at login; the error's description on failure.
    virtual std::optional<QString> registerItem() = 0;
    /// Removes the login item; the error's description on failure.
    virtual std::optional<QString> unregisterItem() = 0;
};

} // namespace LaunchAtLogin
