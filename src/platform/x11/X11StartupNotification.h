// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

class QWindow;

namespace vantry::X11StartupNotification {

// The X11 side of freedesktop startup notification, for launches that a running instance
// answers: the launcher's id goes on the window it shows (window managers read the time
// in it to let the window take the focus), and "remove" ends the launcher's busy feedback.
// Both do nothing outside X11.

/// Puts id on window as _NET_STARTUP_ID; call before the window is mapped.
void setStartupId(QWindow *window, const QByteArray &id);

/// Announces that the startup with this id is over; sender is any window of ours.
void complete(QWindow *sender, const QByteArray &id);

} // namespace vantry::X11StartupNotification
