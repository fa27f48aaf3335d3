// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/Xcb.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdlib>

namespace vantry::xcb {

xcb_connection_t *qtConnection()
{
    // qGuiApp is a plain cast: a core-only application would be taken for a GUI one.
    const auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    auto *x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, QByteArrayView name)
{
    const auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.data());
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

} // namespace vantry::xcb
