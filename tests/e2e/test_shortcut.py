#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the global shortcut: the real vantry in Xvfb with openbox.

Ctrl+Super+S, pressed while another application's window has the focus, shows the
shelf and hides it again, also with NumLock on.
Usage: test_shortcut.py /path/to/vantry   (run through tests/isolate.sh --wm)
"""
import os
import subprocess

from test_tray import (LOG, VANTRY, end, fail, prepare_shelf, run, status, visible_windows,
                       wait_for)


def press_shortcut():
    run("xdotool", "key", "--clearmodifiers", "ctrl+super+s")


def main():
    prepare_shelf(("a.txt", "b.txt"))

    env = dict(os.environ, QT_LOGGING_RULES="app.vantry.*.debug=true")
    other = subprocess.Popen(["xmessage", "-geometry", "+100+500", "another application"])
    app = subprocess.Popen([VANTRY], stdout=open(LOG, "w"), stderr=subprocess.STDOUT, env=env)
    try:
        wait_for("vantry to answer", status)
        wait_for("another window", lambda: run("xdotool", "search", "--onlyvisible",
                                               "--name", "xmessage").split())
        for numlock in (False, True):
            if numlock:
                run("xdotool", "key", "Num_Lock")
            press_shortcut()
            wait_for("the shortcut to show the shelf (NumLock %s)" % numlock,
                     lambda: (s := status()) and s["presented"] == "1" and s["items"] == "2")
            # The window manager maps the window a moment after Qt shows it.
            wait_for("the presented shelf to be mapped",
                     lambda: visible_windows(app.pid, "Vantry Shelf"))
            press_shortcut()
            wait_for("the shortcut to hide the shelf (NumLock %s)" % numlock,
                     lambda: (s := status()) and s["presented"] == "0" and s["window"] == "0")
        with open(LOG) as f:
            if "Error registering hotkey" in f.read():
                fail("the shortcut was refused")
    finally:
        end(app, other)
    print("PASS")


if __name__ == "__main__":
    main()
