#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test without any tray: the real vantry in Xvfb with openbox only.

Two instances wait out the tray's grace period side by side, each with its own runtime
folder. A first launch by hand shows the shelf once no tray turned up, and the shelf's gear
menu offers Quit, which ends the process with status 0. The other, started with the session
(--background), stays quiet, and so does another such launch; a launch by hand then shows
its shelf.
Usage: test_notray.py /path/to/vantry   (run through tests/isolate.sh --wm)
"""
import os

import instance
from instance import Failure, log_text, shown, status, visible_windows, wait_for

NO_TRAY = "No system tray found"


def scenario():
    instance.prepare_shelf(("a.txt", "b.txt"))
    by_hand = os.path.join(os.environ["HOME"], "by-hand")
    os.makedirs(by_hand, mode=0o700)
    env = dict(os.environ, XDG_RUNTIME_DIR=by_hand)
    socket, log = os.path.join(by_hand, os.path.basename(instance.SOCKET)), by_hand + ".log"
    quiet, first = instance.start("--background"), instance.start(env=env, log=log)
    try:
        shelf = wait_for("the shelf without a tray", lambda: shown(status(socket))
                         and visible_windows(first.pid, "Vantry Shelf"))
        if NO_TRAY not in log_text(log):
            raise Failure("the shelf showed before the wait for a tray ended")
        # The gear is the last control, in the bottom right corner inside the padding.
        x, y, w, h = wait_for("the shelf's place", lambda: instance.geometry(shelf[0]))
        instance.click(x + w - 30, y + h - 30)
        state = wait_for("the gear menu", lambda: (s := status(socket)) and s.get("popup") and s)
        if state["popup"] != "5":
            raise Failure("the gear menu has %s entries, not Preferences…, Check for "
                          "Updates… and Quit with their separators" % state["popup"])
        instance.run("xdotool", "key", "Up", "Return")
        instance.expect_exit(first, "Quit from the gear menu")

        wait_for("the no-tray notice", lambda: NO_TRAY in log_text())
        instance.launch("--background")
        if not instance.hidden(status()) or visible_windows(quiet.pid):
            raise Failure("a background launch showed something: %s" % status())
        instance.launch()
        wait_for("the shelf from a launch by hand", lambda: shown(status()))
    finally:
        instance.end(quiet, first)


if __name__ == "__main__":
    instance.main(scenario)
