// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11DragData.h"

#include "platform/x11/Xcb.h"

#include <QChildEvent>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

#include <xcb/xcb.h>

#include <cstdlib>

namespace vantry {

namespace {
using xcb::atom;

QByteArray atomName(xcb_connection_t *c, xcb_atom_t a)
{
    xcb_get_atom_name_reply_t *reply = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, a), nullptr);
    const QByteArray name = reply
        ? QByteArray(xcb_get_atom_name_name(reply), xcb_get_atom_name_name_length(reply))
        : QByteArray();
    std::free(reply);
    return name;
}
} // namespace

X11DragData::X11DragData(QObject *parent)
    : QObject(parent)
{ }

void X11DragData::install()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()) || !xcb::qtConnection())
        return;
    auto *keeper = new X11DragData(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(keeper);
    QCoreApplication::instance()->installNativeEventFilter(keeper);
}

bool X11DragData::eventFilter(QObject *watched, QEvent *event)
{
    // A drag (made by a widget) is a plain QObject when it is added, and gets its data
    // next: both are looked at once its loop runs.
    if (event->type() == QEvent::ChildAdded && watched->isWidgetType()) {
        QTimer::singleShot(0, this,
            [this, child = QPointer(static_cast<QChildEvent *>(event)->child())] { keep(child); });
    }
    return false;
}

void X11DragData::keep(QObject *child)
{
    const auto *drag = qobject_cast<QDrag *>(child);
    const QMimeData *mime = drag ? drag->mimeData() : nullptr;
    if (!mime)
        return;
    m_data.clear();
    for (const QString &format : mime->formats())
        m_data.insert(format.toLatin1(), mime->data(format));
    if (m_data.contains("text/plain")) {
        for (const char *alias : { "UTF8_STRING", "STRING", "TEXT", "text/plain;charset=utf-8" })
            m_data.insert(alias, m_data.value("text/plain"));
    }
}

bool X11DragData::nativeEventFilter(const QByteArray &type, void *message, qintptr *)
{
    if (type != "xcb_generic_event_t" || m_data.isEmpty())
        return false;
    const auto *event = static_cast<xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
        return false;
    const auto *request = static_cast<const xcb_selection_request_event_t *>(message);
    xcb_connection_t *c = xcb::qtConnection();
    if (request->selection != atom(c, "XdndSelection"))
        return false;
    // Answered here, whatever time the request names: Qt answers only requests stamped
    // with the drag's own times.
    const QByteArray target = atomName(c, request->target);
    QByteArray data;
    xcb_atom_t kind = request->target;
    uint8_t format = 8;
    if (target == "TARGETS") {
        QList<xcb_atom_t> atoms { request->target };
        for (auto it = m_data.cbegin(); it != m_data.cend(); ++it)
            atoms.append(atom(c, it.key().constData()));
        data = QByteArray(reinterpret_cast<const char *>(atoms.constData()),
            atoms.size() * qsizetype(sizeof(xcb_atom_t)));
        kind = XCB_ATOM_ATOM;
        format = 32;
    } else {
        data = m_data.value(target);
    }
    xcb_selection_notify_event_t notify {};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request->time;
    notify.requestor = request->requestor;
    notify.selection = request->selection;
    if (!data.isNull()) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor, request->property, kind,
            format, static_cast<uint32_t>(data.size() / (format / 8)), data.constData());
        notify.target = request->target;
        notify.property = request->property;
    }
    xcb_send_event(
        c, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&notify));
    xcb_flush(c);
    return true;
}

} // namespace vantry
