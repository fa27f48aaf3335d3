#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the StatusNotifierItem tray on X11: the real vantry in Xvfb with
openbox, a StatusNotifierWatcher with a host on a private session bus, and the icon
installed into a hicolor theme as `cmake --install` puts it.

The host's side is played over D-Bus: the item's properties, the exported menu and
Activate, which GNOME's AppIndicator extension sends on a double click and other hosts
on a click.
Usage: test_sni_x11.py /path/to/vantry   (run through tests/isolate.sh --wm --dbus)
"""
import os
import shutil
import subprocess
import sys

import dbus

from test_tray import (HOME, LOG, VANTRY, end, fail, geometry, prepare_shelf, run, status,
                       visible_windows, wait_for, wait_for_optional)

ITEM = "org.kde.StatusNotifierItem"
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
ICON_NAME = "app.vantry.Vantry-symbolic"


def install_icon():
    """The hicolor theme with our symbolic icon, where XDG_DATA_DIRS will find it."""
    share = os.path.join(HOME, "share")
    apps = os.path.join(share, "icons", "hicolor", "symbolic", "apps")
    os.makedirs(apps)
    shutil.copy(os.path.join(SOURCE, "resources", "icons", ICON_NAME + ".svg"), apps)
    with open(os.path.join(share, "icons", "hicolor", "index.theme"), "w") as f:
        f.write("[Icon Theme]\nName=Hicolor\nDirectories=symbolic/apps\n\n"
                "[symbolic/apps]\nMinSize=8\nSize=16\nMaxSize=512\nType=Scalable\n")
    return share


def menu_entries(bus, service):
    menu = bus.get_object(service, "/MenuBar")
    _, layout = menu.GetLayout(0, -1, dbus.Array([], signature="s"),
                               dbus_interface="com.canonical.dbusmenu")
    entries = []
    for child in layout[2]:
        props = child[1]
        entries.append("-" if props.get("type") == "separator" else str(props.get("label", "")))
    return entries


def main():
    prepare_shelf(("a.txt", "b.txt"))
    share = install_icon()
    env = dict(os.environ, QT_LOGGING_RULES="app.vantry.*.debug=true",
               XDG_DATA_DIRS=share + ":/usr/share")
    watcher = subprocess.Popen([sys.executable, os.path.join(HERE, "sni_watcher.py")],
                               stdout=subprocess.PIPE, text=True)
    app = None
    try:
        if watcher.stdout.readline().strip() != "ready":
            fail("the watcher did not start")
        app = subprocess.Popen([VANTRY], stdout=open(LOG, "w"), stderr=subprocess.STDOUT, env=env)
        service = watcher.stdout.readline().strip()
        if not service:
            fail("no item registered with the watcher")
        bus = dbus.SessionBus()
        item = bus.get_object(service, "/StatusNotifierItem")
        props = dbus.Interface(item, dbus.PROPERTIES_IFACE)

        # The host gets the themed symbolic name, which it recolours to suit its panel.
        if props.Get(ITEM, "IconName") != ICON_NAME:
            fail("IconName is %r" % props.Get(ITEM, "IconName"))
        if not props.Get(ITEM, "IconPixmap"):
            fail("no pixels for hosts without the icon theme")

        # The exported menu keeps its five entries.
        entries = wait_for("the exported menu", lambda: menu_entries(bus, service))
        if entries != ["Preferences…", "-", "Check for Updates…", "-", "Quit"]:
            fail("the exported menu is %s" % entries)

        # Activate (a click, or GNOME's double click) shows the shelf under the point the host
        # names, wherever the pointer is; again, it hides it.
        state = status()
        if state["presented"] != "0" or visible_windows(app.pid):
            fail("something showed at start: %s" % state)
        run("xdotool", "mousemove", "1200", "700")
        item.Activate(dbus.Int32(400), dbus.Int32(30), dbus_interface=ITEM)
        wait_for("the shelf after Activate", lambda: (s := status()) and s["presented"] == "1")
        wait_for("the shelf window", lambda: visible_windows(app.pid, "Vantry Shelf"))

        def under_the_point():
            g = geometry(visible_windows(app.pid, "Vantry Shelf")[0])
            x, y = g["Absolute upper-left X"], g["Absolute upper-left Y"]
            return abs(x + g["Width"] // 2 - 400) <= 2 and 31 <= y <= 33 and g

        if not wait_for_optional(under_the_point, 5):
            g = geometry(visible_windows(app.pid, "Vantry Shelf")[0])
            fail("the shelf at %d,%d %dx%d is not under the activation point 400,30"
                 % (g["Absolute upper-left X"], g["Absolute upper-left Y"], g["Width"], g["Height"]))
        item.Activate(dbus.Int32(400), dbus.Int32(30), dbus_interface=ITEM)
        wait_for("the shelf to hide after Activate",
                 lambda: (s := status()) and s["presented"] == "0" and s["window"] == "0")
    finally:
        end(app, watcher)
    print("PASS")


if __name__ == "__main__":
    main()
