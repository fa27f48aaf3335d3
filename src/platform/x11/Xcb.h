// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

#include <xcb/xcb.h>

namespace vantry::xcb {

/// Qt's own connection to the X server, or null when the application is not a GUI one on
/// the xcb platform.
xcb_connection_t *qtConnection();

/// The atom of name, interned; XCB_ATOM_NONE when the server does not answer.
xcb_atom_t atom(xcb_connection_t *c, QByteArrayView name);

} // namespace vantry::xcb
