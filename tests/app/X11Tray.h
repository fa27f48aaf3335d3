// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <optional>

// An X11 tray as seen from outside: one starting up, or the one running changing its colours
// as when its theme changes.
class X11Tray
{
public:
    X11Tray()
        : m_c(xcb_connect(nullptr, nullptr))
    { }
    ~X11Tray() { xcb_disconnect(m_c); }

    // Takes the tray selection and announces it on the root window.
    bool start()
    {
        if (xcb_connection_has_error(m_c))
            return false;
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        const xcb_window_t w = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1, 1, 0,
            XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S0");
        xcb_set_selection_owner(m_c, w, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = screen->root;
        event.type = atom("MANAGER");
        event.data.data32[0] = XCB_CURRENT_TIME;
        event.data.data32[1] = selection;
        event.data.data32[2] = w;
        xcb_send_event(m_c, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
            reinterpret_cast<const char *>(&event));
        xcb_flush(m_c);
        return true;
    }

    // Names the text colour on the selection owner's window, or stops naming one.
    bool setForeground(const std::optional<QColor> &color)
    {
        if (xcb_connection_has_error(m_c))
            return false;
        const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S0");
        auto *reply
            = xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, selection), nullptr);
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        std::free(reply);
        if (owner == XCB_WINDOW_NONE)
            return false;
        const xcb_atom_t colors = atom("_NET_SYSTEM_TRAY_COLORS");
        if (!color) {
            xcb_delete_property(m_c, owner, colors);
        } else {
            // normal, error, warning, success: 16 bits per channel.
            const QRgba64 c = color->rgba64();
            uint32_t values[12]
                = { c.red(), c.green(), c.blue(), 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0 };
            xcb_change_property(
                m_c, XCB_PROP_MODE_REPLACE, owner, colors, XCB_ATOM_CARDINAL, 32, 12, values);
        }
        // A round trip: the server has made the change before anyone else looks.
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
        return true;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        auto *reply = xcb_intern_atom_reply(
            m_c, xcb_intern_atom(m_c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return a;
    }

    xcb_connection_t *m_c;
};
