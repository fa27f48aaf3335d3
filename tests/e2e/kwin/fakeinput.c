// SPDX-License-Identifier: GPL-3.0-or-later
// Real key presses and clicks through KWin's fake-input protocol: the events reach KWin's
// global shortcuts and the focused window as if a keyboard or mouse sent them.
//   kwin-fakeinput key +CODE|-CODE...   evdev codes: +29 presses Ctrl, -29 releases it
//   kwin-fakeinput click X Y            a left click at X, Y
// So key +29 +125 +31 -31 -125 -29 is Ctrl+Super+S.
#include "fake-input-client-protocol.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <wayland-client.h>

static struct org_kde_kwin_fake_input *fake_input;

static void global(void *data, struct wl_registry *registry, uint32_t name, const char *interface,
    uint32_t version)
{
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        fake_input = wl_registry_bind(
            registry, name, &org_kde_kwin_fake_input_interface, version < 4 ? version : 4);
}

static void global_remove(void *data, struct wl_registry *registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = { global, global_remove };

// Each event is its own round trip plus a pause, so KWin sees them apart.
static void settle(struct wl_display *display)
{
    wl_display_roundtrip(display);
    usleep(20000);
}

// "+CODE" presses the key, "-CODE" releases it.
static void key(struct wl_display *display, const char *arg)
{
    org_kde_kwin_fake_input_keyboard_key(fake_input, (uint32_t)strtoul(arg + 1, NULL, 0),
        arg[0] == '+' ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    settle(display);
}

int main(int argc, char **argv)
{
    struct wl_display *display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "kwin-fakeinput: no Wayland display\n");
        return 1;
    }
    struct wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (!fake_input) {
        fprintf(stderr, "kwin-fakeinput: the compositor offers no org_kde_kwin_fake_input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fake_input, "vantry tests", "end-to-end tests");
    wl_display_roundtrip(display);

    if (argc == 4 && strcmp(argv[1], "click") == 0) {
        org_kde_kwin_fake_input_pointer_motion_absolute(
            fake_input, wl_fixed_from_double(atof(argv[2])), wl_fixed_from_double(atof(argv[3])));
        settle(display);
        org_kde_kwin_fake_input_button(
            fake_input, 0x110 /* BTN_LEFT */, WL_POINTER_BUTTON_STATE_PRESSED);
        settle(display);
        org_kde_kwin_fake_input_button(fake_input, 0x110, WL_POINTER_BUTTON_STATE_RELEASED);
    } else if (argc >= 2 && strcmp(argv[1], "key") == 0) {
        for (int i = 2; i < argc; ++i)
            key(display, argv[i]);
    } else {
        fprintf(stderr, "usage: kwin-fakeinput key +CODE|-CODE... | click X Y\n");
        return 2;
    }
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
