#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test on weston (headless), a compositor without layer shell or tray.

Usage: test_weston.py /path/to/vantry   (run through tests/isolate.sh)
With no tray a launch of vantry while it runs shows the shelf; weston places it as it
places any window. The shelf must be mapped at its own size, whole on the output, and
a second launch must hide it again. Screens are read from weston's screenshooter.
"""
import glob
import os
import socket
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wayland_session import Failure, Session, parse_ppm, regions, wait_for  # noqa: E402

VANTRY = sys.argv[1]
HOME = os.environ["HOME"]
SOCKET = os.path.join(os.environ["XDG_RUNTIME_DIR"], "app.vantry.Vantry.socket")
OUTPUT = (1280, 800)
BACKGROUND = (0x20, 0x40, 0x60)

WESTON_INI = """[core]
idle-time=0
[shell]
background-color=0xff204060
panel-position=none
locking=false
animation=none
startup-animation=none
"""


def status():
    try:
        with socket.socket(socket.AF_UNIX) as s:
            s.settimeout(5)
            s.connect(SOCKET)
            s.sendall(b"status\n")
            reply = b""
            while not reply.endswith(b"\n"):
                chunk = s.recv(1024)
                if not chunk:
                    break
                reply += chunk
    except OSError:
        return None
    return dict(part.split("=", 1) for part in reply.decode().split())


def screenshot(session):
    """The output through weston-screenshooter (weston runs with --debug), as PPM."""
    folder = session.path("shots")
    os.makedirs(folder, exist_ok=True)
    for old in glob.glob(os.path.join(folder, "*.png")):
        os.remove(old)
    subprocess.run(["weston-screenshooter"], env=session.client_env(os.environ), cwd=folder,
                   capture_output=True, timeout=20)
    shots = glob.glob(os.path.join(folder, "*.png"))
    if not shots:
        return None
    ppm = subprocess.run(["convert", shots[0], "-depth", "8", "ppm:-"], capture_output=True,
                         timeout=20).stdout
    return parse_ppm(ppm)


def main():
    shelf = os.path.join(HOME, "Shelf")
    os.makedirs(shelf)
    open(os.path.join(shelf, "notes.txt"), "w").close()
    config = os.path.join(os.environ["XDG_CONFIG_HOME"], "vantry")
    os.makedirs(config)
    with open(os.path.join(config, "vantry.conf"), "w") as f:
        f.write("[General]\nuser_selected_dir=@ByteArray(%s)\n" % shelf)

    session = Session()
    try:
        session.start_bus()
        session.write(".config/weston.ini", WESTON_INI)
        session.start_weston()
        env = session.client_env(os.environ, QT_LOGGING_RULES="app.vantry.*.debug=true")
        app = session.spawn([VANTRY], env, "vantry")
        wait_for("vantry", lambda: status())
        wait_for("an empty screen", lambda: (s := screenshot(session))
                 and regions(s, BACKGROUND) == [])

        # No layer shell: the shelf is an ordinary window at its own size, where weston puts it.
        subprocess.run([VANTRY], env=env, timeout=30, check=True, capture_output=True)
        state = wait_for("the shelf", lambda: (s := status()) and s["presented"] == "1" and s)
        width, height = (int(v) for v in state["geometry"].split(",")[2:])
        box = wait_for("the shelf on screen", lambda: (s := screenshot(session))
                       and (r := regions(s, BACKGROUND)) and len(r) == 1 and r[0])
        x, y, w, h = box
        if (w, h) != (width, height):
            raise Failure("the shelf shows at %dx%d, not at its size %dx%d" % (w, h, width, height))
        if x < 0 or y < 0 or x + w > OUTPUT[0] or y + h > OUTPUT[1]:
            raise Failure("the shelf at %s is not whole on the output" % (box,))

        subprocess.run([VANTRY], env=env, timeout=30, check=True, capture_output=True)
        wait_for("the shelf to hide", lambda: (s := status()) and s["presented"] == "0")
        wait_for("an empty screen again", lambda: (s := screenshot(session))
                 and regions(s, BACKGROUND) == [])
        if app.poll() is not None:
            raise Failure("vantry ended")
        print("PASS")
    except Failure as e:
        print("FAIL:", e)
        print(session.logs())
        sys.exit(1)
    finally:
        session.close()


if __name__ == "__main__":
    main()
