// SPDX-License-Identifier: GPL-3.0-or-later
// Real input through KWin's fake-input protocol: the events reach KWin's
// global shortcuts and the focused window as if a keyboard or mouse sent them.
//   kwin-fakeinput key CODE...   evdev codes: 31 taps S, +29 presses Ctrl, -29 releases it
//   kwin-fakeinput move X Y      pointer to an absolute position
//   kwin-fakeinput click [BTN]   left button, or BTN (e.g. 0x111 for the right one)
//   kwin-fakeinput sleep MS
// Commands follow each other: key +29 +125 31 -125 -29 is Ctrl+Super+S.
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

static void key(struct wl_display *display, const char *arg)
{
    int press = 1, release = 1;
    if (arg[0] == '+') {
        release = 0;
        ++arg;
    } else if (arg[0] == '-') {
        press = 0;
        ++arg;
    }
    const uint32_t code = (uint32_t)strtoul(arg, NULL, 0);
    if (press) {
        org_kde_kwin_fake_input_keyboard_key(fake_input, code, WL_KEYBOARD_KEY_STATE_PRESSED);
        settle(display);
    }
    if (release) {
        org_kde_kwin_fake_input_keyboard_key(fake_input, code, WL_KEYBOARD_KEY_STATE_RELEASED);
        settle(display);
    }
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

    const char *mode = "";
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (strcmp(arg, "key") == 0) {
            mode = arg;
        } else if (strcmp(arg, "sleep") == 0 && i + 1 < argc) {
            wl_display_roundtrip(display);
            usleep((useconds_t)atoi(argv[++i]) * 1000);
        } else if (strcmp(arg, "move") == 0 && i + 2 < argc) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fake_input,
                wl_fixed_from_double(atof(argv[i + 1])), wl_fixed_from_double(atof(argv[i + 2])));
            i += 2;
            settle(display);
            mode = "";
        } else if (strcmp(arg, "click") == 0) {
            uint32_t button = 0x110; // BTN_LEFT
            if (i + 1 < argc && argv[i + 1][0] >= '0' && argv[i + 1][0] <= '9')
                button = (uint32_t)strtoul(argv[++i], NULL, 0);
            org_kde_kwin_fake_input_button(fake_input, button, WL_POINTER_BUTTON_STATE_PRESSED);
            settle(display);
            org_kde_kwin_fake_input_button(fake_input, button, WL_POINTER_BUTTON_STATE_RELEASED);
            settle(display);
            mode = "";
        } else if (strcmp(mode, "key") == 0) {
            key(display, arg);
        } else {
            fprintf(stderr, "kwin-fakeinput: unexpected argument %s\n", arg);
            return 2;
        }
    }
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
