#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test without any tray: the real vantry in Xvfb with openbox only.

A first launch by hand shows the shelf once no tray turned up, and the shelf's gear menu
offers Quit, which ends the process with status 0.
Usage: test_notray.py /path/to/vantry   (run through tests/isolate.sh --wm)
"""
import instance
from instance import Failure, log_text, shown, status, visible_windows, wait_for

NO_TRAY = "No system tray found"


def scenario():
    instance.prepare_shelf(("a.txt", "b.txt"))
    app = instance.start()
    try:
        shelf = wait_for("the shelf without a tray", lambda: shown(status())
                         and visible_windows(app.pid, "Vantry Shelf"))
        if NO_TRAY not in log_text():
            raise Failure("the shelf showed before the wait for a tray ended")
        # The gear is the last control, in the bottom right corner inside the padding.
        x, y, w, h = wait_for("the shelf's place", lambda: instance.geometry(shelf[0]))
        instance.click(x + w - 30, y + h - 30)
        state = wait_for("the gear menu", lambda: (s := status()) and s.get("popup") and s)
        if state["popup"] != "5":
            raise Failure("the gear menu has %s entries, not Preferences…, Check for "
                          "Updates… and Quit with their separators" % state["popup"])
        instance.run("xdotool", "key", "Up", "Return")
        instance.expect_exit(app, "Quit from the gear menu")
    finally:
        instance.end(app)


if __name__ == "__main__":
    instance.main(scenario)
