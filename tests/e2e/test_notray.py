#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test without any tray: the real vantry in Xvfb with openbox only.

A launch with the session (--background) stays quiet; a first launch by hand shows the
shelf once no tray turned up, and the shelf's gear menu offers Quit, which ends the
process with status 0. Launching again toggles the shelf either way.
Usage: test_notray.py /path/to/vantry   (run through tests/isolate.sh --wm)
"""
import os
import subprocess

from test_tray import (LOG, TIMEOUT, VANTRY, click, end, expect_exit, fail, geometry,
                       prepare_shelf, run, status, visible_windows, wait_for)

NO_TRAY = "No system tray found"


def launch(env, *args):
    log = open(LOG, "w")
    return subprocess.Popen([VANTRY, *args], stdout=log, stderr=subprocess.STDOUT, env=env)


def log_text():
    with open(LOG) as f:
        return f.read()


def second_launch(env, *args):
    second = subprocess.run([VANTRY, *args], env=env, timeout=TIMEOUT, capture_output=True)
    if second.returncode != 0:
        fail("a second launch %s exited with %d" % (list(args), second.returncode))


def presented(expected):
    return lambda: (s := status()) and s["presented"] == expected and s


def quit_from_the_gear(app):
    """Opens the shelf's gear menu with the pointer and chooses Quit."""
    shelf = visible_windows(app.pid, "Vantry Shelf")
    if not shelf:
        fail("no shelf to find the gear on")
    g = geometry(shelf[0])
    # The gear is the last control, in the bottom right corner inside the padding.
    click(g["Absolute upper-left X"] + g["Width"] - 30, g["Absolute upper-left Y"] + g["Height"] - 30)
    state = wait_for("the gear menu", lambda: (s := status()) and s.get("popup") and s)
    if state["popup"] != "5":
        fail("the gear menu has %s entries, not Preferences…, Check for Updates… and Quit "
             "with their separators" % state["popup"])
    run("xdotool", "key", "Up", "Return")
    expect_exit(app, "Quit from the gear menu")


def main():
    prepare_shelf(("a.txt", "b.txt"))
    env = dict(os.environ, QT_LOGGING_RULES="app.vantry.*.debug=true")

    # Started with the session: no tray, and nothing shows by itself.
    app = launch(env, "--background")
    try:
        wait_for("the no-tray notice", lambda: NO_TRAY in log_text())
        state = status()
        if state["presented"] != "0" or state["window"] != "0" or visible_windows(app.pid):
            fail("a background launch showed something: %s" % state)
        # Another background launch leaves the running one alone...
        second_launch(env, "--background")
        if status()["presented"] != "0":
            fail("a second background launch toggled the shelf")
        # ...and a launch by hand shows the shelf.
        second_launch(env)
        wait_for("the shelf from a second launch", presented("1"))
    finally:
        end(app)

    # A first launch by hand shows the shelf when no tray turned up.
    app = launch(env)
    try:
        wait_for("the shelf without a tray", presented("1"))
        if NO_TRAY not in log_text():
            fail("the shelf showed before the wait for a tray ended")
        wait_for("the shelf window", lambda: visible_windows(app.pid, "Vantry Shelf"))
        # Launching again still toggles it.
        second_launch(env)
        wait_for("the shelf to hide after a second launch", presented("0"))
        second_launch(env)
        wait_for("the shelf to show after a third launch", presented("1"))
        wait_for("the shelf window", lambda: visible_windows(app.pid, "Vantry Shelf"))
        quit_from_the_gear(app)
    finally:
        end(app)
    print("PASS")


if __name__ == "__main__":
    main()
