#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test on an X server without a window manager (Xvfb alone).

Nothing gives a new window the focus there: the shelf has the keyboard only if it asks for
it itself. After the global shortcut and after a second launch, the X input focus must be
on the shelf window.
Usage: test_focus.py /path/to/vantry   (run through tests/isolate.sh --x11)
"""
import os
import subprocess

from test_tray import (LOG, TIMEOUT, VANTRY, end, fail, has_focus, prepare_shelf, run, status,
                       wait_for)


def focus_on_shelf(pid):
    return has_focus(pid, "Vantry Shelf")


def shown_and_focused(app, how):
    wait_for("the shelf after %s" % how, lambda: (s := status()) and s["presented"] == "1")
    wait_for("the input focus on the shelf after %s (focus is on %s)"
             % (how, run("xdotool", "getwindowfocus").strip()), lambda: focus_on_shelf(app.pid))


def hidden():
    return (s := status()) and s["presented"] == "0" and s["window"] == "0"


def main():
    prepare_shelf(("a.txt", "b.txt"))
    env = dict(os.environ, QT_LOGGING_RULES="app.vantry.*.debug=true")
    if run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK").find("window id") >= 0:
        fail("a window manager runs; this test needs a bare X server")
    # Quiet at start (no tray here), so that only the shortcut and the launch show the shelf.
    app = subprocess.Popen([VANTRY, "--background"], stdout=open(LOG, "w"),
                           stderr=subprocess.STDOUT, env=env)
    try:
        wait_for("vantry to answer", status)
        run("xdotool", "key", "--clearmodifiers", "ctrl+super+s")
        shown_and_focused(app, "the shortcut")
        run("xdotool", "key", "--clearmodifiers", "ctrl+super+s")
        wait_for("the shortcut to hide the shelf", hidden)

        second = subprocess.run([VANTRY], env=env, timeout=TIMEOUT, capture_output=True)
        if second.returncode != 0:
            fail("second launch exited with %d" % second.returncode)
        shown_and_focused(app, "a second launch")
    finally:
        end(app)
    print("PASS")


if __name__ == "__main__":
    main()
