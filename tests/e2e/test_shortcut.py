#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the global shortcut: the real vantry in Xvfb with openbox.

Ctrl+Super+S, pressed while another application's window has the focus, shows the
shelf and hides it again, also with NumLock on.
Usage: test_shortcut.py /path/to/vantry   (run through tests/isolate.sh --wm)
"""
import instance
from instance import Failure, hidden, run, shown, status, visible_windows, wait_for


def scenario():
    instance.prepare_shelf(("a.txt", "b.txt"))
    other = instance.other_window("another application")
    app = instance.start()
    try:
        wait_for("vantry to answer", status)
        for numlock in (False, True):
            if numlock:
                run("xdotool", "key", "Num_Lock")
            run("xdotool", "key", "--clearmodifiers", "ctrl+super+s")
            wait_for("the shortcut to show the shelf (NumLock %s)" % numlock,
                     lambda: (s := shown(status())) and s["items"] == "2"
                     and visible_windows(app.pid, "Vantry Shelf"))
            run("xdotool", "key", "--clearmodifiers", "ctrl+super+s")
            wait_for("the shortcut to hide the shelf (NumLock %s)" % numlock,
                     lambda: hidden(status()))
        if "Error registering hotkey" in instance.log_text():
            raise Failure("the shortcut was refused")
    finally:
        instance.end(app, other)


if __name__ == "__main__":
    instance.main(scenario)
