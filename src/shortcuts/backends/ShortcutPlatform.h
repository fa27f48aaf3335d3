// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shortcuts/backends/DesktopHotKeyBackend.h"
#include "shortcuts/backends/DesktopSystemShortcuts.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <memory>

namespace KeyboardShortcuts {

// The hot key backend, keyboard layout and desktop shortcut source for the
// platform Qt runs on. Members are declared in the order they depend on each
// other, so the backend goes first when the platform is destroyed.
struct ShortcutPlatform
{
    std::unique_ptr<XkbKeyboardLayout> layout;
    std::unique_ptr<QObject> keymapSource; // feeds layout where Qt runs on Wayland
    std::shared_ptr<DesktopSystemShortcuts> systemShortcuts;
    std::unique_ptr<DesktopHotKeyBackend> backend;

    /// platformName is QGuiApplication::platformName(): "xcb" gets X11 grabs
    /// (unless in a Wayland session a portal answers), "wayland" the
    /// GlobalShortcuts portal (registering appId), or on GNOME without that portal a
    /// custom shortcut in GNOME's settings; anything else a backend that refuses every
    /// registration.
    static ShortcutPlatform create(const QString &platformName, const QString &appId);
};

} // namespace KeyboardShortcuts
