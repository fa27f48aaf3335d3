// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <xcb/xcb.h>

// The few XKB requests and events we need, behind plain functions: <xcb/xkb.h>
// has a struct member named `explicit`, so it is only included in XkbProtocol.cpp.
namespace KeyboardShortcuts::XkbProtocol {

struct Setup
{
    bool ok = false;
    quint8 firstEvent = 0;
    int32_t coreKeyboard = -1;
};

/// Enables XKB on the connection and finds the core keyboard.
Setup setup(xcb_connection_t *connection);

/// Asks for keyboard, keymap and group/modifier state changes of the device.
void selectEvents(xcb_connection_t *connection, int32_t device);

/// Asks the server to report auto-repeat as repeated presses; true when it agreed.
bool enableDetectableAutoRepeat(xcb_connection_t *connection, int32_t device);

enum class EventKind { Other, NewKeyboard, Map, State };

struct StateFields
{
    quint8 baseMods = 0, latchedMods = 0, lockedMods = 0, lockedGroup = 0;
    qint16 baseGroup = 0, latchedGroup = 0;
};

/// What an event from the XKB extension (response type == firstEvent) reports.
EventKind classify(const xcb_generic_event_t *event, StateFields *state);

} // namespace KeyboardShortcuts::XkbProtocol
