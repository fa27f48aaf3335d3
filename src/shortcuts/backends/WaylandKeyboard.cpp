// SPDX-License-Identifier: GPL-3.0-or-later
#include "shortcuts/backends/WaylandKeyboard.h"

#include "core/Logging.h"
#include "shortcuts/backends/XkbKeyboardLayout.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client-protocol.h>

namespace KeyboardShortcuts {

namespace {

// wl_seat 5 has everything we use; newer ones only add the keymap's private mapping.
constexpr int kSeatVersion = 5;

void onEnter(void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) { }
void onLeave(void *, wl_keyboard *, uint32_t, wl_surface *) { }
void onKey(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) { }
void onRepeatInfo(void *, wl_keyboard *, int32_t, int32_t) { }

} // namespace

WaylandKeyboard::WaylandKeyboard(XkbKeyboardLayout *layout, QObject *parent)
    : QWaylandClientExtension(kSeatVersion)
    , m_seatKeyboard(layout)
{
    setParent(parent);
}

const wl_interface *WaylandKeyboard::extensionInterface() const
{
    return &wl_seat_interface;
}

void WaylandKeyboard::bind(wl_registry *registry, int id, int version)
{
    if (const int bound = m_seatKeyboard.bind(registry, id, version)) {
        setVersion(bound);
    }
}

SeatKeyboard::~SeatKeyboard()
{
    if (m_keyboard) {
        releaseKeyboard();
    }
    if (m_seat) {
        if (wl_proxy_get_version(reinterpret_cast<wl_proxy *>(m_seat)) >= 5) {
            wl_seat_release(m_seat);
        } else {
            wl_seat_destroy(m_seat);
        }
    }
}

int SeatKeyboard::bind(wl_registry *registry, int id, int version)
{
    if (m_seat) {
        return 0; // the first seat is the user's keyboard
    }
    const int bound = std::min({ version, kSeatVersion, wl_seat_interface.version });
    m_seat = static_cast<wl_seat *>(
        wl_registry_bind(registry, uint32_t(id), &wl_seat_interface, uint32_t(bound)));
    static const wl_seat_listener listener { &SeatKeyboard::onCapabilities, &SeatKeyboard::onName };
    wl_seat_add_listener(m_seat, &listener, this);
    return bound;
}

void SeatKeyboard::onCapabilities(void *data, wl_seat *seat, uint32_t capabilities)
{
    auto *self = static_cast<SeatKeyboard *>(data);
    const bool hasKeyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (self->m_keyboard && !hasKeyboard) {
        // The keyboard went away (unplugged, or the session lost the seat); a new
        // one comes with its own keymap when the capability returns.
        self->releaseKeyboard();
    } else if (!self->m_keyboard && hasKeyboard) {
        self->m_keyboard = wl_seat_get_keyboard(seat);
        static const wl_keyboard_listener listener { &SeatKeyboard::onKeymap, &onEnter, &onLeave,
            &onKey, &SeatKeyboard::onModifiers, &onRepeatInfo };
        wl_keyboard_add_listener(self->m_keyboard, &listener, self);
    }
}

void SeatKeyboard::releaseKeyboard()
{
    if (wl_proxy_get_version(reinterpret_cast<wl_proxy *>(m_keyboard)) >= 3) {
        wl_keyboard_release(m_keyboard);
    } else {
        wl_keyboard_destroy(m_keyboard);
    }
    m_keyboard = nullptr;
}

void SeatKeyboard::onName(void *, wl_seat *, const char *) { }

void SeatKeyboard::onKeymap(void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size)
{
    auto *self = static_cast<SeatKeyboard *>(data);
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || size == 0) {
        ::close(fd);
        return;
    }
    void *map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
        qCWarning(lcShortcuts) << "Cannot read the compositor's keymap";
        return;
    }
    // The text ends in a NUL byte that is counted in size.
    const QByteArray text(
        static_cast<const char *>(map), qsizetype(::strnlen(static_cast<const char *>(map), size)));
    ::munmap(map, size);
    if (!self->m_layout->setKeymap(text)) {
        qCWarning(lcShortcuts) << "Cannot compile the compositor's keymap";
    }
}

void SeatKeyboard::onModifiers(void *data, wl_keyboard *, uint32_t, uint32_t depressed,
    uint32_t latched, uint32_t locked, uint32_t group)
{
    static_cast<SeatKeyboard *>(data)->m_layout->setState(depressed, latched, locked, group);
}

} // namespace KeyboardShortcuts
