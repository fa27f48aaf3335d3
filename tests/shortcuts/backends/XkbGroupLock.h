// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Locks the core keyboard's XKB group on $DISPLAY, as a layout switch key does.
bool lockKeyboardGroup(int group);
