#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the StatusNotifierItem tray on X11: the real vantry in Xvfb with
openbox, a StatusNotifierWatcher with a host on a private session bus, and the icon
installed into a hicolor theme as `cmake --install` puts it.

The host's side is played over D-Bus: the item's icon properties and Activate, which
GNOME's AppIndicator extension sends on a double click and other hosts on a click.
Usage: test_sni_x11.py /path/to/vantry   (run through tests/isolate.sh --wm --dbus)
"""
import os
import shutil
import subprocess
import sys

import dbus

import instance
from instance import Failure, hidden, shown, status, visible_windows, wait_for

ITEM = "org.kde.StatusNotifierItem"
HERE = os.path.dirname(os.path.abspath(__file__))
ICON_NAME = "app.vantry.Vantry-symbolic"


def install_icon():
    """The hicolor theme with our symbolic icon, where XDG_DATA_DIRS will find it."""
    share = os.path.join(os.environ["HOME"], "share")
    apps = os.path.join(share, "icons", "hicolor", "symbolic", "apps")
    os.makedirs(apps)
    shutil.copy(os.path.join(HERE, "..", "..", "resources", "icons", ICON_NAME + ".svg"), apps)
    with open(os.path.join(share, "icons", "hicolor", "index.theme"), "w") as f:
        f.write("[Icon Theme]\nName=Hicolor\nDirectories=symbolic/apps\n\n"
                "[symbolic/apps]\nMinSize=8\nSize=16\nMaxSize=512\nType=Scalable\n")
    return share


def scenario():
    instance.prepare_shelf(("a.txt", "b.txt"))
    env = dict(os.environ, XDG_DATA_DIRS=install_icon() + ":/usr/share")
    watcher = subprocess.Popen([sys.executable, os.path.join(HERE, "sni_watcher.py")],
                               stdout=subprocess.PIPE, text=True)
    app = None
    try:
        if watcher.stdout.readline().strip() != "ready":
            raise Failure("the watcher did not start")
        app = instance.start(env=env)
        service = watcher.stdout.readline().strip()
        if not service:
            raise Failure("no item registered with the watcher")
        bus = dbus.SessionBus()
        item = bus.get_object(service, "/StatusNotifierItem")
        props = dbus.Interface(item, dbus.PROPERTIES_IFACE)

        # The host gets the themed symbolic name, which it recolours to suit its panel.
        if props.Get(ITEM, "IconName") != ICON_NAME:
            raise Failure("IconName is %r" % props.Get(ITEM, "IconName"))
        if not props.Get(ITEM, "IconPixmap"):
            raise Failure("no pixels for hosts without the icon theme")

        # Activate (a click, or GNOME's double click) shows the shelf under the point the host
        # names, wherever the pointer is; again, it hides it.
        instance.run("xdotool", "mousemove", "1200", "700")
        item.Activate(dbus.Int32(400), dbus.Int32(30), dbus_interface=ITEM)
        wait_for("the shelf after Activate", lambda: shown(status()))

        def under_the_point():
            windows = visible_windows(app.pid, "Vantry Shelf")
            x, y, w, h = (windows and instance.geometry(windows[0])) or (0, 0, 0, 0)
            return abs(x + w // 2 - 400) <= 2 and 31 <= y <= 33

        wait_for("the shelf under the activation point 400,30", under_the_point, timeout=5)
        item.Activate(dbus.Int32(400), dbus.Int32(30), dbus_interface=ITEM)
        wait_for("the shelf to hide after Activate", lambda: hidden(status()))
    finally:
        instance.end(app, watcher)


if __name__ == "__main__":
    instance.main(scenario)
