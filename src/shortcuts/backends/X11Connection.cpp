// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/X11Connection.h"

#include "core/Logging.h"
#include "shortcuts/backends/XkbProtocol.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <cstdlib>

namespace KeyboardShortcuts {

namespace {
constexpr quint8 kResponseTypeMask = 0x7f; // the high bit marks events sent by clients
}

std::shared_ptr<X11Connection> X11Connection::open()
{
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection) {
            xcb_disconnect(connection);
        }
        return {};
    }
    const auto setup = XkbProtocol::setup(connection);
    if (!setup.ok) {
        qCWarning(lcShortcuts) << "The X server has no usable XKB extension";
        xcb_disconnect(connection);
        return {};
    }
    std::shared_ptr<X11Connection> result(new X11Connection(connection));
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    result->m_root = screens.data ? screens.data->root : XCB_NONE;
    result->m_keyboardDevice = setup.coreKeyboard;
    result->m_xkbFirstEvent = setup.firstEvent;
    XkbProtocol::selectEvents(connection, setup.coreKeyboard);
    result->m_detectableAutoRepeat
        = XkbProtocol::enableDetectableAutoRepeat(connection, setup.coreKeyboard);
    result->flush();
    return result;
}

X11Connection::X11Connection(xcb_connection_t *connection)
    : m_connection(connection)
    , m_notifier(
          new QSocketNotifier(xcb_get_file_descriptor(connection), QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &X11Connection::readEvents);
}

X11Connection::~X11Connection()
{
    delete m_notifier;
    xcb_disconnect(m_connection);
}

void X11Connection::flush()
{
    xcb_flush(m_connection);
    // A blocking reply or error check may have read events into xcb's queue,
    // which the socket notifier will never announce.
    if (!m_drainQueued) {
        m_drainQueued = true;
        QMetaObject::invokeMethod(this, &X11Connection::readEvents, Qt::QueuedConnection);
    }
}

void X11Connection::readEvents()
{
    m_drainQueued = false;
    std::vector<xcb_generic_event_t *> events;
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        events.push_back(event);
    }
    if (xcb_connection_has_error(m_connection)) {
        qCWarning(lcShortcuts) << "Lost the connection to the X server";
        m_notifier->setEnabled(false);
    }
    dispatch(events);
    for (auto *event : events) {
        std::free(event);
    }
}

void X11Connection::dispatch(std::vector<xcb_generic_event_t *> &events)
{
    bool keyboardChangedSeen = false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const xcb_generic_event_t *event = events[i];
        const quint8 type = event->response_type & kResponseTypeMask;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
            // Without detectable auto-repeat a held key sends release + press
            // pairs with one timestamp: drop both halves.
            if (type == XCB_KEY_RELEASE && i + 1 < events.size()) {
                const auto *next = reinterpret_cast<const xcb_key_press_event_t *>(events[i + 1]);
                if ((next->response_type & kResponseTypeMask) == XCB_KEY_PRESS
                    && next->detail == key->detail && next->time == key->time) {
                    ++i;
                    continue;
                }
            }
            Q_EMIT keyEvent(type == XCB_KEY_PRESS, key->detail, key->state, key->time);
        } else if (type == XCB_MAPPING_NOTIFY) {
            keyboardChangedSeen = true;
        } else if (type == m_xkbFirstEvent) {
            XkbProtocol::StateFields state;
            switch (XkbProtocol::classify(event, &state)) {
            case XkbProtocol::EventKind::NewKeyboard:
            case XkbProtocol::EventKind::Map:
                keyboardChangedSeen = true;
                break;
            case XkbProtocol::EventKind::State:
                Q_EMIT keyboardStateChanged(state.baseMods, state.latchedMods, state.lockedMods,
                    state.baseGroup, state.latchedGroup, state.lockedGroup);
                break;
            case XkbProtocol::EventKind::Other:
                break;
            }
        } else if (type == 0) {
            const auto *error = reinterpret_cast<const xcb_generic_error_t *>(event);
            qCDebug(lcShortcuts) << "X error" << error->error_code << "for request"
                                 << error->major_code << error->minor_code;
        }
    }
    // One layout switch sends several of these; re-resolve once.
    if (keyboardChangedSeen) {
        Q_EMIT keyboardChanged();
    }
}

} // namespace KeyboardShortcuts
