// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace KeyboardShortcuts {

// Stored shortcuts keep macOS virtual key codes, which name physical key
// positions. This table maps each to the Linux evdev code of the same position
// (an X key code is the evdev code + 8).

/// The evdev key code at the same position as the macOS virtual key code, if any.
std::optional<int> evdevKeyCode(int macKeyCode);

/// The macOS virtual key code at the position of the evdev key code, if any.
std::optional<int> macKeyCode(int evdevKeyCode);

} // namespace KeyboardShortcuts
