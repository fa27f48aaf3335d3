// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11StartupNotification.h"

#include "platform/x11/Xcb.h"

#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vantry::X11StartupNotification {

namespace {
using xcb::atom;

xcb_window_t rootOf(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_geometry_reply_t *reply
        = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    const xcb_window_t root = reply ? reply->root : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    return root;
}

// A value of the message protocol: quoted, with quotes and backslashes escaped.
QByteArray quoted(const QByteArray &value)
{
    QByteArray out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}
} // namespace

void setStartupId(QWindow *window, const QByteArray &id)
{
    xcb_connection_t *c = xcb::qtConnection();
    if (!c || !window || id.isEmpty())
        return;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
        atom(c, "_NET_STARTUP_ID"), atom(c, "UTF8_STRING"), 8, static_cast<uint32_t>(id.size()),
        id.constData());
    xcb_flush(c);
}

void complete(QWindow *sender, const QByteArray &id)
{
    xcb_connection_t *c = xcb::qtConnection();
    if (!c || !sender || id.isEmpty())
        return;
    const auto window = static_cast<xcb_window_t>(sender->winId());
    const xcb_window_t root = rootOf(c, window);
    if (root == XCB_WINDOW_NONE)
        return;
    // The message goes out in 20-byte pieces, the first of type _NET_STARTUP_INFO_BEGIN,
    // ending with its NUL.
    const QByteArray message = "remove: ID=" + quoted(id) + '\0';
    const xcb_atom_t begin = atom(c, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(c, "_NET_STARTUP_INFO");
    for (qsizetype offset = 0; offset < message.size(); offset += 20) {
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = window;
        event.type = offset == 0 ? begin : more;
        const auto length = static_cast<size_t>(std::min<qsizetype>(20, message.size() - offset));
        std::memcpy(event.data.data8, message.constData() + offset, length);
        xcb_send_event(
            c, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char *>(&event));
    }
    xcb_flush(c);
}

} // namespace vantry::X11StartupNotification
