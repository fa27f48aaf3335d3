// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtWaylandClient/QWaylandClientExtension>

struct wl_keyboard;
struct wl_seat;

namespace KeyboardShortcuts {

class XkbKeyboardLayout;

// The keymap and layout group the compositor hands to Qt's Wayland connection,
// fed into a keyboard layout, so that key names follow the session's layouts and
// their switches on native Wayland. The compositor reports the active group
// while one of our windows has the keyboard focus (an open settings window).
class WaylandKeyboard final : public QWaylandClientExtension
{
    Q_OBJECT

public:
    explicit WaylandKeyboard(XkbKeyboardLayout *layout, QObject *parent = nullptr);
    ~WaylandKeyboard() override;

    const struct wl_interface *extensionInterface() const override;
    void bind(struct ::wl_registry *registry, int id, int version) override;

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

} // namespace KeyboardShortcuts
