// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/X11TraySelection.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace vantry {

namespace {
xcb_atom_t internAtom(xcb_connection_t *c, const QByteArray &name)
{
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData());
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}
} // namespace

X11TraySelection::X11TraySelection(QObject *parent)
    : QObject(parent)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    m_connection = x11->connection();
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
    m_selection = internAtom(m_connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber));
    m_manager = internAtom(m_connection, "MANAGER");
}

X11TraySelection::~X11TraySelection()
{
    if (m_watching)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11TraySelection::hasOwner() const
{
    if (!m_connection || m_selection == XCB_ATOM_NONE)
        return false;
    const auto cookie = xcb_get_selection_owner(m_connection, m_selection);
    xcb_get_selection_owner_reply_t *reply
        = xcb_get_selection_owner_reply(m_connection, cookie, nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
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
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto *cm = reinterpret_cast<const xcb_client_message_event_t *>(event);
    if (cm->type == m_manager && cm->format == 32 && cm->data.data32[1] == m_selection)
        Q_EMIT ownerAppeared();
    return false;
}

} // namespace vantry
