#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test on sway (wlroots, headless) with waybar as the StatusNotifierItem tray.

Usage: test_sway.py /path/to/vantry [screenshot folder]   (run through tests/isolate.sh)
Sway runs as an unprivileged user when the test runs as root. The shelf must be a
layer-shell surface in the top right corner under the bar, at its own size and in no tiling
tree; the preview a popup beside it that leaves it the keyboard; Escape, another window and
a second launch must do what they do elsewhere. Screens are read from grim screenshots.
"""
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import instance  # noqa: E402
from instance import prepare_shelf  # noqa: E402
import wayland_session  # noqa: E402
from wayland_session import Failure, regions, wait_for  # noqa: E402

import dbus  # noqa: E402

VANTRY = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
SOCKET = os.path.join(os.environ["XDG_RUNTIME_DIR"], "app.vantry.Vantry.socket")
OUTPUT = (1280, 800)
BACKGROUND = (0x20, 0x40, 0x60)
BAR = 26
GAP = 8
NOTES = "Shopping\n- bread\n- coffee\n"

SWAY_CONFIG = """
output HEADLESS-1 resolution 1280x800 bg #204060 solid_color
default_border none
bar {
  swaybar_command waybar
}
"""
WAYBAR = {"layer": "top", "position": "top", "height": BAR, "modules-left": [],
          "modules-center": [], "modules-right": ["tray"], "tray": {"icon-size": 18}}


def status():
    return instance.status(SOCKET)


def views(tree):
    """Every window in sway's tree, tiled or floating."""
    found = []
    for node in tree.get("nodes", []) + tree.get("floating_nodes", []):
        if node.get("type") in ("con", "floating_con") and (node.get("app_id") or node.get("pid")):
            found.append(node)
        found += views(node)
    return found


def main():
    prepare_shelf({"notes.txt": NOTES, "report.txt": ""}, folders=("Projects",))
    wayland_session.run(start)


def start(session):
    session.start_bus()
    session.write(".config/waybar/config", json.dumps(WAYBAR))
    session.start_sway(SWAY_CONFIG)
    # The headless output has no keyboard of its own: one that stays, for the focus,
    # beside those wtype makes for each key.
    session.spawn(["wtype", "-s", "600000"], session.client_env(os.environ), "keyboard")
    bus = dbus.bus.BusConnection(session.bus)
    watcher = wait_for("waybar's tray", lambda: tray_watcher(bus), timeout=30)

    env = session.client_env(os.environ, XDG_CURRENT_DESKTOP="sway",
                             QT_LOGGING_RULES="app.vantry.*.debug=true")
    app = session.spawn([VANTRY], env, "vantry")
    item = wait_for("the tray item", lambda: items(watcher))
    scenario(session, env, bus, item, app)


def tray_watcher(bus):
    try:
        watcher = bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
        props = dbus.Interface(watcher, "org.freedesktop.DBus.Properties")
        if props.Get("org.kde.StatusNotifierWatcher", "IsStatusNotifierHostRegistered"):
            return props
    except dbus.DBusException:
        pass
    return None


def items(watcher):
    try:
        return list(watcher.Get("org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems"))
    except dbus.DBusException:
        return None


def activate(bus, item):
    """What a click on the icon in waybar does."""
    service, _, path = str(item[0]).partition("/")
    obj = bus.get_object(service, "/" + path if path else "/StatusNotifierItem")
    obj.Activate(dbus.Int32(1200), dbus.Int32(10), dbus_interface="org.kde.StatusNotifierItem")


def key(session, name):
    subprocess.run(["wtype", "-k", name], env=session.client_env(os.environ), check=True,
                   timeout=20)


def screen(session):
    shot = session.screenshot()
    return regions(shot, BACKGROUND, top=BAR)


def scenario(session, env, bus, item, app):
    state = wait_for("the tray icon", lambda: (s := status()) and s["tray"] == "1" and s)
    if state["presented"] != "0" or screen(session):
        raise Failure("something shows at start: %s" % state)

    # A tray click shows the shelf in the top right corner, under the bar, at its own size.
    activate(bus, item)
    state = wait_for("the shelf", lambda: (s := status()) and s["presented"] == "1" and s)
    width, height = (int(v) for v in state["geometry"].split(",")[2:])
    shelf = (OUTPUT[0] - width, BAR, width, height)
    wait_for("the shelf at %s" % (shelf,), lambda: screen(session) == [shelf])
    if width >= OUTPUT[0] // 2 or height >= OUTPUT[1] - BAR:
        raise Failure("the shelf is not at its own size: %dx%d" % (width, height))
    if views(json.loads(session.swaymsg("-t", "get_tree"))):
        raise Failure("the shelf is a window in sway's tree (tiled or in a task list)")

    # It has the keyboard: Down selects the first row and Space previews it beside the
    # shelf, on the left, as the right has no room. The shelf keeps the keyboard.
    key(session, "Down")
    key(session, "space")
    left = shelf[0] - GAP - 380
    preview = wait_for("the preview beside the shelf",
                       lambda: [b for b in screen(session) if b != shelf and b[0] == left
                                and b[2] == 380] or None)
    # Bottoms line up (within the compositor's rounding), or the top stops at the bar.
    if abs(preview[0][1] + preview[0][3] - (shelf[1] + shelf[3])) > 1 and preview[0][1] != BAR:
        raise Failure("the preview %s does not line up with the shelf %s" % (preview, shelf))
    if SHOTS:
        os.makedirs(SHOTS, exist_ok=True)
        session.screenshot(os.path.join(SHOTS, "sway-shelf-preview.ppm"))
    if status()["presented"] != "1":
        raise Failure("the shelf closed when the preview opened")

    # Escape hides the preview and leaves the shelf.
    key(session, "Escape")
    wait_for("the preview to hide", lambda: screen(session) == [shelf])
    if status()["presented"] != "1":
        raise Failure("Escape closed the shelf too")

    # A click on the icon while the shelf shows closes it. (Sway lets no window take the
    # keyboard from a layer surface that has it, so a click into another window leaves
    # the shelf open there; KWin's test covers closing on losing the focus.)
    activate(bus, item)
    wait_for("the shelf to close", lambda: (s := status()) and s["presented"] == "0"
             and s["window"] == "0")
    wait_for("an empty screen", lambda: screen(session) == [])

    # A second launch shows the shelf again with the keyboard, and another hides it.
    second = subprocess.run([VANTRY], env=env, timeout=30, capture_output=True)
    if second.returncode != 0:
        raise Failure("second launch exited with %d" % second.returncode)
    wait_for("the shelf after a second launch", lambda: (s := status()) and s["presented"] == "1")
    wait_for("the shelf in its corner again", lambda: screen(session) == [shelf])
    key(session, "Down")
    key(session, "space")
    wait_for("a preview from the keyboard",
             lambda: [b for b in screen(session) if b[0] == left] or None)
    subprocess.run([VANTRY], env=env, timeout=30, capture_output=True, check=True)
    wait_for("the shelf to hide after a second launch",
             lambda: (s := status()) and s["presented"] == "0")
    wait_for("an empty screen", lambda: screen(session) == [])
    if app.poll() is not None:
        raise Failure("vantry ended")


if __name__ == "__main__":
    if shutil.which("sway") is None:
        print("FAIL: sway is not installed")
        sys.exit(1)
    main()
