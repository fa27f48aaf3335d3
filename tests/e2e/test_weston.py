#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test on weston's desktop shell: a compositor without layer shell or a tray.

Usage: test_weston.py /path/to/vantry   (run through tests/isolate.sh --x11)
Weston runs on the test's X display, so keys typed there reach its clients. The shelf must
be an ordinary window of its own size that weston places on screen; the preview a popup
beside it that leaves it the keyboard; launches show and hide it. Where each surface is
comes from weston's debug scene graph.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import instance  # noqa: E402
from instance import prepare_shelf  # noqa: E402
import wayland_session  # noqa: E402
from wayland_session import Failure, wait_for  # noqa: E402

VANTRY = sys.argv[1]
SOCKET = os.path.join(os.environ["XDG_RUNTIME_DIR"], "app.vantry.Vantry.socket")
OUTPUT = (1280, 800)
GAP = 8
NOTES = "Shopping\n- bread\n- coffee\n"
PREVIEW_WIDTH = 380

WESTON_INI = """
[core]
idle-time=0
[shell]
background-color=0xff204060
panel-position=none
"""


def status():
    return instance.status(SOCKET)


def key(*names):
    subprocess.run(["xdotool", "key"] + list(names), check=True, timeout=20)


def main():
    prepare_shelf({"notes.txt": NOTES}, folders=("Projects",))
    wayland_session.run(start)


def start(session):
    session.start_weston(WESTON_INI)
    weston = wait_for("weston's window", weston_window)
    # Keys go where the X focus is: weston's window, the only one on this display.
    subprocess.run(["xdotool", "windowfocus", "--sync", weston], check=True, timeout=20)
    env = session.client_env(os.environ, XDG_CURRENT_DESKTOP="weston",
                             QT_LOGGING_RULES="app.vantry.*.debug=true")
    app = session.spawn([VANTRY, "--background"], env, "vantry")
    scenario(session, env, app)


def weston_window():
    # xdotool's search does not read the title weston sets; xwininfo does.
    tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True)
    for line in tree.stdout.splitlines():
        if "Weston Compositor" in line:
            return line.split()[0]
    return None


def ours(session, app, role):
    # A surface weston knows of but has not laid out yet shows as 0x0 at the origin.
    return [v for v in session.weston_views() if v["pid"] == app.pid and v["role"] == role
            and v.get("width")]


def launch(env, *args):
    done = subprocess.run([VANTRY] + list(args), env=env, timeout=30, capture_output=True)
    if done.returncode != 0:
        raise Failure("vantry %s exited with %d" % (" ".join(args), done.returncode))


def scenario(session, env, app):
    wait_for("vantry to answer", lambda: status())
    if ours(session, app, "xdg_toplevel"):
        raise Failure("a window shows after a quiet start")

    # A launch shows the shelf: a window at its own size that weston placed on screen.
    launch(env)
    state = wait_for("the shelf", lambda: (s := status()) and s["presented"] == "1" and s)
    width, height = (int(v) for v in state["geometry"].split(",")[2:])
    shelf = wait_for("the shelf on weston's screen", lambda: ours(session, app, "xdg_toplevel"))
    if len(shelf) != 1:
        raise Failure("expected one window, weston shows %s" % shelf)
    shelf = shelf[0]
    if (shelf["width"], shelf["height"]) != (width, height):
        raise Failure("the shelf is %dx%d on screen, %dx%d in Vantry"
                      % (shelf["width"], shelf["height"], width, height))
    if shelf["x"] < 0 or shelf["y"] < 0 or shelf["x"] + width > OUTPUT[0] \
            or shelf["y"] + height > OUTPUT[1]:
        raise Failure("the shelf is not fully on screen: %s" % shelf)

    # The keyboard is the shelf's: Down selects, Space opens the preview as a popup beside
    # it, on either side (weston leaves a popup where it is asked to go).
    key("Down", "space")
    popup = wait_for("the preview popup", lambda: ours(session, app, "xdg_popup"))[0]
    beside = popup["x"] == shelf["x"] + width + GAP \
        or popup["x"] + popup["width"] == shelf["x"] - GAP
    if not beside or popup["width"] != PREVIEW_WIDTH:
        raise Failure("the preview %s is not beside the shelf %s" % (popup, shelf))
    bottom = shelf["y"] + height
    if abs(popup["y"] + popup["height"] - bottom) > 1 or popup["y"] < shelf["y"]:
        raise Failure("the preview %s does not line up with the shelf %s" % (popup, shelf))
    if status()["presented"] != "1":
        raise Failure("the shelf closed when the preview opened")

    # Escape hides the preview and leaves the shelf with the keyboard: Space opens it again.
    key("Escape")
    wait_for("the preview to hide", lambda: not ours(session, app, "xdg_popup"))
    if status()["presented"] != "1" or not ours(session, app, "xdg_toplevel"):
        raise Failure("Escape closed the shelf too")
    key("space")
    wait_for("the preview again", lambda: ours(session, app, "xdg_popup"))

    # Launching again hides both; --show brings the shelf back.
    launch(env)
    wait_for("the shelf and preview to hide", lambda: (s := status()) and s["presented"] == "0"
             and not ours(session, app, "xdg_toplevel") and not ours(session, app, "xdg_popup"))
    launch(env, "--show")
    wait_for("the shelf after --show", lambda: ours(session, app, "xdg_toplevel"))
    launch(env, "--quit")
    wait_for("vantry to end", lambda: app.poll() is not None)
    if app.returncode != 0:
        raise Failure("vantry ended with status %d" % app.returncode)


if __name__ == "__main__":
    if shutil.which("weston") is None:
        print("FAIL: weston is not installed")
        sys.exit(1)
    main()
