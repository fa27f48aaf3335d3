// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/XkbProtocol.h"

#include <QtGlobal>

#include <cstdlib>
#include <xkbcommon/xkbcommon-x11.h>

// Workaround: <xcb/xkb.h> names a struct member `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace KeyboardShortcuts::XkbProtocol {

Setup setup(xcb_connection_t *connection)
{
    Setup result;
    uint8_t firstEvent = 0;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
            XKB_X11_MIN_MINOR_XKB_VERSION, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
            &firstEvent, nullptr)) {
        return result;
    }
    result.coreKeyboard = xkb_x11_get_core_keyboard_device_id(connection);
    result.firstEvent = firstEvent;
    result.ok = result.coreKeyboard >= 0;
    return result;
}

void selectEvents(xcb_connection_t *connection, int32_t device)
{
    constexpr uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY
        | XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS
        | XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS
        | XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS
        | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    constexpr uint16_t stateParts = XCB_XKB_STATE_PART_MODIFIER_BASE
        | XCB_XKB_STATE_PART_MODIFIER_LATCH | XCB_XKB_STATE_PART_MODIFIER_LOCK
        | XCB_XKB_STATE_PART_GROUP_BASE | XCB_XKB_STATE_PART_GROUP_LATCH
        | XCB_XKB_STATE_PART_GROUP_LOCK;
    xcb_xkb_select_events_details_t details {};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = stateParts;
    details.stateDetails = stateParts;
    xcb_xkb_select_events_aux(
        connection, xcb_xkb_device_spec_t(device), events, 0, 0, mapParts, mapParts, &details);
}

bool enableDetectableAutoRepeat(xcb_connection_t *connection, int32_t device)
{
    const auto cookie = xcb_xkb_per_client_flags(connection, xcb_xkb_device_spec_t(device),
        XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT,
        XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT, 0, 0, 0);
    auto *reply = xcb_xkb_per_client_flags_reply(connection, cookie, nullptr);
    if (!reply) {
        return false;
    }
    const bool enabled = reply->value & XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    std::free(reply);
    return enabled;
}

EventKind classify(const xcb_generic_event_t *event, StateFields *state)
{
    // All XKB events share the layout of this header.
    const auto *any = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t *>(event);
    switch (any->xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        return EventKind::NewKeyboard;
    case XCB_XKB_MAP_NOTIFY:
        return EventKind::Map;
    case XCB_XKB_STATE_NOTIFY: {
        const auto *s = reinterpret_cast<const xcb_xkb_state_notify_event_t *>(event);
        if (state) {
            state->baseMods = s->baseMods;
            state->latchedMods = s->latchedMods;
            state->lockedMods = s->lockedMods;
            state->baseGroup = s->baseGroup;
            state->latchedGroup = s->latchedGroup;
            state->lockedGroup = s->lockedGroup;
        }
        return EventKind::State;
    }
    default:
        return EventKind::Other;
    }
}

} // namespace KeyboardShortcuts::XkbProtocol
