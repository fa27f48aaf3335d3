#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the tray shell: the real vantry in Xvfb with openbox and trayer.

Usage: test_tray.py /path/to/vantry   (run through tests/isolate.sh --wm --tray)
The running instance describes itself through its single-instance socket ("status").
"""
import os
import subprocess
import sys
import time

import instance
from instance import prepare_shelf  # noqa: F401 (the other X11 tests import it from here)

VANTRY = sys.argv[1]
HOME = os.environ["HOME"]
SOCKET = os.path.join(os.environ["XDG_RUNTIME_DIR"], "app.vantry.Vantry.socket")
LOG = os.path.join(HOME, "vantry.log")
TIMEOUT = 20.0


def fail(message):
    print("FAIL:", message)
    try:
        with open(LOG) as f:
            print("--- vantry log ---\n" + f.read())
    except OSError:
        pass
    sys.exit(1)


def wait_for(what, condition, timeout=TIMEOUT):
    try:
        return instance.wait_for(what, condition, timeout)
    except instance.Failure as e:
        fail(str(e))


def expect_exit(app, what):
    """Fails unless app ends with status 0 soon after what."""
    try:
        code = app.wait(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        fail("%s did not end the process" % what)
    if code != 0:
        fail("vantry exited with %d after %s" % (code, what))


def end(*processes):
    """Kills those of processes that still run."""
    for process in processes:
        if process is not None and process.poll() is None:
            process.kill()
            process.wait()


def wait_for_optional(condition, timeout):
    """Like wait_for, but gives None instead of failing when time runs out."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.05)


def run(*args):
    return subprocess.run(args, capture_output=True, text=True).stdout


def status():
    """The running instance's state as a dict, or None when it does not answer."""
    return instance.status(SOCKET)


def has_focus(pid, name):
    """Whether the X input focus is on pid's visible window called name."""
    focus = run("xdotool", "getwindowfocus").strip()
    return focus.isdigit() and int(focus) in visible_windows(pid, name)


def geometry(window):
    """x, y, width, height and viewability of an X window."""
    info = run("xwininfo", "-id", str(window))
    values = {}
    for line in info.splitlines():
        line = line.strip()
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
            if line.startswith(key + ":"):
                values[key] = int(line.split(":")[1])
        if line.startswith("Map State:"):
            values["viewable"] = "IsViewable" in line
    return values


def visible_windows(pid, name=None):
    args = ["xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid)]
    if name:
        args += ["--name", name]
    return [int(w) for w in run(*args).split()]


_clicks = [0]


def click(x, y, button=1):
    # Successive clicks land a few pixels apart, so that Qt never pairs them into a double click.
    _clicks[0] += 1
    x += 4 if _clicks[0] % 2 else -4
    run("xdotool", "mousemove", str(x), str(y), "click", str(button))


def double_click(x, y):
    """Two presses in one place, quickly: what a double click on the icon sends."""
    run("xdotool", "mousemove", str(x), str(y), "click", "--repeat", "2", "--delay", "60", "1")


def log_count(text):
    with open(LOG) as f:
        return f.read().count(text)


def screen_size():
    size = run("xdotool", "getdisplaygeometry").split()
    return int(size[0]), int(size[1])


def main():
    prepare_shelf(("notes.txt", "report.pdf"), folders=("Projects",))

    env = dict(os.environ, QT_LOGGING_RULES="app.vantry.*.debug=true")
    log = open(LOG, "w")
    app = subprocess.Popen([VANTRY], stdout=log, stderr=subprocess.STDOUT, env=env)
    try:
        scenario(app, env)
    finally:
        end(app)


def scenario(app, env):
    # Starting shows the icon in the tray and no window.
    def embedded_icon():
        panels = [geometry(w) for w in run("xdotool", "search", "--class", "trayer").split()]
        for window in visible_windows(app.pid):
            g = geometry(window)
            x, y = g["Absolute upper-left X"], g["Absolute upper-left Y"]
            for p in panels:
                px, py = p["Absolute upper-left X"], p["Absolute upper-left Y"]
                if p.get("viewable") and px <= x < px + p["Width"] and py <= y < py + p["Height"]:
                    return x, y, g["Width"], g["Height"]
        return None

    ix, iy, iw, ih = wait_for("the icon in the tray", embedded_icon)
    state = status()
    if len(visible_windows(app.pid)) != 1:
        fail("expected only the tray icon to be mapped, found %s" % visible_windows(app.pid))
    if state["tray"] != "1" or state["presented"] != "0" or state["window"] != "0":
        fail("unexpected state at start: %s" % state)
    cx, cy = ix + iw // 2, iy + ih // 2

    # A left click shows the shelf under the icon with the folder's items.
    click(cx, cy)
    wait_for("the shelf", lambda: visible_windows(app.pid, "Vantry Shelf"))
    state = wait_for("presented", lambda: (s := status()) and s["presented"] == "1" and s)
    window = geometry(visible_windows(app.pid, "Vantry Shelf")[0])
    wx, wy = window["Absolute upper-left X"], window["Absolute upper-left Y"]
    if not (iy + ih <= wy <= iy + ih + 8 and wx <= cx <= wx + window["Width"]):
        fail("shelf at %d,%d %dx%d is not under the icon at %s"
             % (wx, wy, window["Width"], window["Height"], state["icon"]))
    if state["items"] != "3":
        fail("expected the folder's 3 items, status %s" % state)

    # The icon sits at the right end of the panel, so the shelf is flush with the screen's
    # right edge: the preview (on the default side, "right") must still be fully on screen.
    screen_w, screen_h = screen_size()
    if wx + window["Width"] != screen_w:
        fail("the shelf at %d,%d %dx%d is not flush with the right edge"
             % (wx, wy, window["Width"], window["Height"]))
    shelf_ids = set(visible_windows(app.pid, "Vantry Shelf"))
    run("xdotool", "key", "Down", "space")

    def preview_window():
        for w in visible_windows(app.pid):
            g = geometry(w)
            if w not in shelf_ids and (g["Width"], g["Height"]) == (380, 300):
                return g
        return None

    wait_for("the preview panel", preview_window)

    def on_screen_beside_the_shelf():
        g = preview_window()
        if not g:
            return None
        x, y = g["Absolute upper-left X"], g["Absolute upper-left Y"]
        return 0 <= x and x + 380 + 8 <= wx and 0 <= y and y + 300 <= screen_h and g

    if not wait_for_optional(on_screen_beside_the_shelf, 5):
        g = preview_window()
        fail("the preview at %s is not fully on the %dx%d screen beside the shelf at %d,%d"
             % (g and (g["Absolute upper-left X"], g["Absolute upper-left Y"]),
                screen_w, screen_h, wx, wy))
    run("xdotool", "key", "Escape")
    wait_for("the preview to close", lambda: not preview_window())
    if status()["presented"] != "1":
        fail("closing the preview closed the shelf")

    # A second click on the icon closes it, and a third opens it again.
    click(cx, cy)
    wait_for("the shelf to close", lambda: (s := status()) and s["presented"] == "0")
    click(cx, cy)
    wait_for("the shelf to open", lambda: (s := status()) and s["presented"] == "1")

    # A double click (how GNOME's AppIndicator extension opens the shelf) leaves it open,
    # whether it was closed or open before.
    for before in ("1", "0"):
        if before == "0":
            click(cx, cy)
        wait_for("presented=%s" % before, lambda: (s := status()) and s["presented"] == before)
        clicks = log_count("tray click") + log_count("tray double click")
        # Lower than the single clicks, so that none of them pairs with its first press.
        double_click(cx, cy + 7)
        wait_for("both presses of the double click",
                 lambda: log_count("tray click") + log_count("tray double click") >= clicks + 2)
        wait_for("the shelf after a double click", lambda: (s := status())
                 and s["presented"] == "1" and s["window"] == "1")

    # A click elsewhere (on another application's window) closes it; the flag turns false.
    other = subprocess.Popen(["xmessage", "-geometry", "+100+500", "elsewhere"])
    try:
        wait_for("another window", lambda: run("xdotool", "search", "--onlyvisible",
                                               "--pid", str(other.pid)).split()
                 or run("xdotool", "search", "--onlyvisible", "--name", "xmessage").split())
        click(140, 520)
        wait_for("the shelf to close",
                 lambda: (s := status()) and s["presented"] == "0" and s["window"] == "0")
    finally:
        end(other)

    # A right click shows the menu with five entries and no shelf.
    click(cx, cy, 3)
    state = wait_for("the menu", lambda: (s := status()) and s.get("popup") and s)
    if state["popup"] != "5" or state["presented"] != "0" or state["window"] != "0":
        fail("right click: %s" % state)
    run("xdotool", "key", "Escape")
    wait_for("the menu to close", lambda: "popup" not in (status() or {"popup": 1}))

    # "Preferences…" opens the settings window.
    click(cx, cy, 3)
    wait_for("the menu", lambda: (s := status()) and s.get("popup"))
    run("xdotool", "key", "Down", "Return")
    wait_for("the settings window", lambda: (s := status()) and s["settings"] == "1")
    if not visible_windows(app.pid, "Settings|General"):
        fail("no settings window is mapped")

    # A second launch toggles the running instance's shelf and exits.
    for expected in ("1", "0"):
        second = subprocess.run([VANTRY], env=env, timeout=TIMEOUT, capture_output=True)
        if second.returncode != 0:
            fail("second launch exited with %d" % second.returncode)
        wait_for("presented=%s after a second launch" % expected,
                 lambda: (s := status()) and s["presented"] == expected)
    if app.poll() is not None:
        fail("the first instance ended")

    # "Quit" stops the folder grant, then ends the process.
    click(cx, cy)
    wait_for("the shelf again", lambda: (s := status()) and s["presented"] == "1")
    click(cx, cy)
    wait_for("the shelf to hide", lambda: (s := status()) and s["presented"] == "0")
    click(cx, cy, 3)
    wait_for("the menu", lambda: (s := status()) and s.get("popup"))
    run("xdotool", "key", "Up", "Return")
    expect_exit(app, "Quit")
    with open(LOG) as f:
        text = f.read()
    stopped = text.find("folder access stopped")
    if text.find("folder access started") < 0 or stopped < 0 \
            or text.find("Quit: folder access stopped") < stopped:
        fail("the grant was not stopped before quitting")
    if os.path.exists(SOCKET):
        fail("the socket outlived the process")
    print("PASS")


if __name__ == "__main__":
    main()
