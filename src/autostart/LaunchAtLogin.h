// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "autostart/LoginItemService.h"

#include <memory>

namespace LaunchAtLogin {

class Observable;

/// Whether the system starts this program at login; asks the system on every call.
bool isEnabled();

/// Registers or removes the login item. Failures are logged, never reported:
/// read isEnabled() afterwards for the state the system ended in.
void setEnabled(bool enabled);

/// The one observable that views watch; it lives as long as the process.
Observable &observable();

/// The service that talks to the system: the XDG autostart entry unless another was
/// set (the app sets the Background portal's inside Flatpak). Created on first use.
LoginItemService &loginItemService();

/// Replaces the service: the portal inside Flatpak, a fake in tests.
void setLoginItemService(std::unique_ptr<LoginItemService> service);

} // namespace LaunchAtLogin
