// SPDX-License-Identifier: GPL-3.0-or-later
#include "GrabHelper.h"

#include <cstdlib>
#include <vector>
#include <xcb/xcb.h>

namespace GrabHelper {

void Release::operator()(xcb_connection_t *connection) const
{
    xcb_disconnect(connection);
}

Holder hold(int keycode, const QList<int> &modifierMasks)
{
    int screen = 0;
    Holder c(xcb_connect(nullptr, &screen));
    if (xcb_connection_has_error(c.get())) {
        return {};
    }
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(c.get()));
    for (int i = 0; i < screen; ++i) {
        xcb_screen_next(&roots);
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (const int mask : modifierMasks) {
        cookies.push_back(xcb_grab_key_checked(c.get(), 1, roots.data->root, quint16(mask),
            xcb_keycode_t(keycode), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    }
    bool granted = true;
    for (const auto cookie : cookies) {
        if (xcb_generic_error_t *error = xcb_request_check(c.get(), cookie)) {
            granted = false;
            std::free(error);
        }
    }
    return granted ? std::move(c) : Holder();
}

bool canGrab(int keycode, const QList<int> &modifierMasks)
{
    return bool(hold(keycode, modifierMasks));
}

} // namespace GrabHelper
