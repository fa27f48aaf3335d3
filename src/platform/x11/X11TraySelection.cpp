// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11TraySelection.h"

#include "platform/x11/Xcb.h"

#include <QCoreApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace vantry {

X11TraySelection::X11TraySelection(QObject *parent)
    : QObject(parent)
{
    m_connection = xcb::qtConnection();
    if (!m_connection)
        return;
    // Qt opens its display on the default screen; the tray of that screen is the one we use.
    int screenNumber = 0;
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const QByteArray display = qgetenv("DISPLAY");
    if (const qsizetype dot = display.lastIndexOf('.'); dot > display.lastIndexOf(':'))
        screenNumber = display.mid(dot + 1).toInt();
    auto it = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && it.rem > 1; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
    m_rootRect = QRect(0, 0, it.data->width_in_pixels, it.data->height_in_pixels);
    m_selection = xcb::atom(m_connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber));
    m_manager = xcb::atom(m_connection, "MANAGER");
    m_colors = xcb::atom(m_connection, "_NET_SYSTEM_TRAY_COLORS");
}

X11TraySelection::~X11TraySelection()
{
    if (m_watching)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::uint32_t X11TraySelection::owner() const
{
    if (!m_connection || m_selection == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    const auto cookie = xcb_get_selection_owner(m_connection, m_selection);
    xcb_get_selection_owner_reply_t *reply
        = xcb_get_selection_owner_reply(m_connection, cookie, nullptr);
    const xcb_window_t window = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    return window;
}

bool X11TraySelection::hasOwner() const
{
    return owner() != XCB_WINDOW_NONE;
}

std::optional<QColor> X11TraySelection::foregroundColor() const
{
    const xcb_window_t window = owner();
    if (window == XCB_WINDOW_NONE || m_colors == XCB_ATOM_NONE)
        return std::nullopt;
    // Four colours (normal, error, warning, success), each red, green, blue in 16 bits.
    const auto cookie
        = xcb_get_property(m_connection, 0, window, m_colors, XCB_ATOM_CARDINAL, 0, 12);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(m_connection, cookie, nullptr);
    std::optional<QColor> color;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 3 * 4) {
        const auto *v = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        color = QColor::fromRgba64(qRgba64(quint16(qMin(v[0], 0xffffu)),
            quint16(qMin(v[1], 0xffffu)), quint16(qMin(v[2], 0xffffu)), 0xffff));
    }
    std::free(reply);
    return color;
}

std::optional<QColor> X11TraySelection::backgroundAround(const QRect &slot) const
{
    // The tray's window shows through the corners wherever it paints the icon's background;
    // the screen has them whatever the tray's visual.
    if (!m_connection || slot.width() < 3 || slot.height() < 3 || !m_rootRect.contains(slot)
        || xcb_get_setup(m_connection)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return std::nullopt;
    const auto cookie = xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root,
        int16_t(slot.x()), int16_t(slot.y()), uint16_t(slot.width()), uint16_t(slot.height()), ~0u);
    xcb_get_image_reply_t *reply = xcb_get_image_reply(m_connection, cookie, nullptr);
    std::optional<QColor> color;
    // True colour in 32-bit pixels, blue first: what X servers use at depth 24 and 32.
    const int w = slot.width();
    const int h = slot.height();
    if (reply && reply->depth >= 24 && xcb_get_image_data_length(reply) == w * h * 4) {
        const uint8_t *data = xcb_get_image_data(reply);
        int sum[3] = {};
        for (const int at : { w + 1, 2 * w - 2, (h - 2) * w + 1, (h - 1) * w - 2 }) {
            for (int c = 0; c < 3; ++c)
                sum[c] += data[4 * at + 2 - c];
        }
        color = QColor(sum[0] / 4, sum[1] / 4, sum[2] / 4);
    }
    std::free(reply);
    return color;
}

void X11TraySelection::watchColors()
{
    if (!m_connection || m_watchingColors)
        return;
    m_watchingColors = true;
    watch();
    followOwner();
}

void X11TraySelection::followOwner()
{
    // Property changes of another client's window reach us once we select them there.
    const xcb_window_t window = owner();
    m_followedOwner = window;
    if (window == XCB_WINDOW_NONE)
        return;
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
}

void X11TraySelection::watch()
{
    if (!m_connection || m_watching)
        return;
    m_watching = true;
    // A new tray announces itself with a MANAGER message to the root window, delivered to
    // clients that listen for structure changes there. Add that to whatever Qt selected.
    const auto cookie = xcb_get_window_attributes(m_connection, m_root);
    xcb_get_window_attributes_reply_t *attrs
        = xcb_get_window_attributes_reply(m_connection, cookie, nullptr);
    const uint32_t mask = (attrs ? attrs->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(attrs);
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool X11TraySelection::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto *cm = reinterpret_cast<const xcb_client_message_event_t *>(event);
        if (cm->type == m_manager && cm->format == 32 && cm->data.data32[1] == m_selection) {
            Q_EMIT ownerAppeared();
            if (m_watchingColors) {
                followOwner();
                Q_EMIT colorsChanged();
            }
        }
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto *pn = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (m_watchingColors && pn->window == m_followedOwner && pn->atom == m_colors)
            Q_EMIT colorsChanged();
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace vantry
