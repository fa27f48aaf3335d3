// SPDX-License-Identifier: GPL-3.0-or-later
#include "XkbGroupLock.h"

#include <QtGlobal>
#include <xcb/xcb.h>

// Workaround: <xcb/xkb.h> names a struct member `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>

bool lockKeyboardGroup(int group)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    bool ok = !xcb_connection_has_error(c);
    if (ok) {
        auto *version = xcb_xkb_use_extension_reply(c, xcb_xkb_use_extension(c, 1, 0), nullptr);
        ok = version && version->supported;
        std::free(version);
    }
    if (ok) {
        const auto cookie = xcb_xkb_latch_lock_state_checked(
            c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, quint8(group), 0, 0, 0);
        xcb_generic_error_t *error = xcb_request_check(c, cookie);
        ok = !error;
        std::free(error);
    }
    xcb_disconnect(c);
    return ok;
}
