// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtWaylandClient/QWaylandClientExtension>

#include <cstdint>

struct wl_keyboard;
struct wl_registry;
struct wl_seat;

namespace KeyboardShortcuts {

class XkbKeyboardLayout;

// The keymap and layout group a compositor sends for the first seat's keyboard,
// fed into a keyboard layout; a keyboard that goes and comes back is asked
// for again. Works on any client connection (tests bring their own).
class SeatKeyboard final
{
public:
    explicit SeatKeyboard(XkbKeyboardLayout *layout)
        : m_layout(layout)
    { }
    ~SeatKeyboard();
    SeatKeyboard(const SeatKeyboard &) = delete;
    SeatKeyboard &operator=(const SeatKeyboard &) = delete;

    /// Binds the seat global id; returns the version bound, 0 when a seat is bound already.
    int bind(struct ::wl_registry *registry, int id, int version);

private:
    static void onCapabilities(void *data, wl_seat *seat, uint32_t capabilities);
    static void onName(void *data, wl_seat *seat, const char *name);
    static void onKeymap(
        void *data, wl_keyboard *keyboard, uint32_t format, int32_t fd, uint32_t size);
    static void onModifiers(void *data, wl_keyboard *keyboard, uint32_t serial, uint32_t depressed,
        uint32_t latched, uint32_t locked, uint32_t group);
    void releaseKeyboard();

    XkbKeyboardLayout *m_layout;
    wl_seat *m_seat = nullptr;
    wl_keyboard *m_keyboard = nullptr;
};

// The seat keyboard on Qt's own Wayland connection, so that key names follow the
// session's layouts and their switches on native Wayland. The compositor reports
// the active group while one of our windows has the keyboard focus (an open
// settings window).
class WaylandKeyboard final : public QWaylandClientExtension
{
    Q_OBJECT

public:
    explicit WaylandKeyboard(XkbKeyboardLayout *layout, QObject *parent = nullptr);

    const struct wl_interface *extensionInterface() const override;
    void bind(struct ::wl_registry *registry, int id, int version) override;

private:
    SeatKeyboard m_seatKeyboard;
};

} // namespace KeyboardShortcuts
