// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

#include <memory>

struct xcb_connection_t;

// Another X client for the tests: a connection of its own, whose passive grabs
// the server holds for it as for any other program.
namespace GrabHelper {

/// Closes the connection, which lets go of its grabs.
struct Release
{
    void operator()(xcb_connection_t *connection) const;
};
using Holder = std::unique_ptr<xcb_connection_t, Release>;

/// A client that holds keycode with each of the modifier masks; null when refused.
Holder hold(int keycode, const QList<int> &modifierMasks);

/// Whether another client can grab keycode with every one of the masks right now.
bool canGrab(int keycode, const QList<int> &modifierMasks);

} // namespace GrabHelper
