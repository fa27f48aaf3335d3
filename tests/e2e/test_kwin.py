#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test on KDE Plasma's compositor: KWin on a virtual screen.

Usage: test_kwin.py /path/to/vantry /path/to/vantry_kwin_fakeinput   (through tests/isolate.sh)
No panel runs (plasmashell would double the time), so a second launch stands in for the
tray click. The shelf must sit in the bottom right corner as a layer-shell surface, with no
task manager entry; Space must open the preview beside it while the shelf keeps the keyboard;
Escape hides the preview, and another window taking the focus closes the shelf.
Screens come from KWin's ScreenShot2, windows from a KWin script, keys from fake input.
"""
import json
import os
import socket
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from kwin_session import KwinSession, SessionError  # noqa: E402
from wayland_session import regions  # noqa: E402

VANTRY = sys.argv[1]
FAKEINPUT = sys.argv[2]
SIZE = (1280, 800)
GAP = 8
KEY_ESC, KEY_SPACE, KEY_DOWN = 1, 57, 108
VANTRY_ASAN = None

SHOT = """
import dbus, os, sys, threading
bus = dbus.SessionBus()
obj = bus.get_object('org.kde.KWin.ScreenShot2', '/org/kde/KWin/ScreenShot2')
r, w = os.pipe()
chunks = []
def reader():
    with os.fdopen(r, 'rb') as f:
        for b in iter(lambda: f.read(1 << 16), b''):
            chunks.append(b)
t = threading.Thread(target=reader)
t.start()
fd = dbus.types.UnixFd(w)
os.close(w)
try:
    res = obj.CaptureWorkspace({'include-cursor': False, 'native-resolution': True}, fd,
                               dbus_interface='org.kde.KWin.ScreenShot2')
finally:
    del fd
t.join()
open(sys.argv[1], 'wb').write(b''.join(chunks))
print(int(res['width']), int(res['height']), int(res['stride']))
"""

WINDOWS = """
var cs = workspace.clientList();
for (var i = 0; i < cs.length; i++)
    print("@@MARK@@" + JSON.stringify({"pid": cs[i].pid, "caption": String(cs[i].caption),
        "skipTaskbar": cs[i].skipTaskbar, "popup": cs[i].popupWindow,
        "normal": cs[i].normalWindow}));
print("@@MARK@@end");
"""


class Failure(Exception):
    pass


SEEN = []


def screen(kde, background=(0, 0, 0)):
    """What shows on the workspace, as boxes (see regions); kept for failure reports."""
    boxes = regions(screenshot(kde), background)
    SEEN[:] = [boxes]
    return boxes


def screenshot(kde):
    """The workspace as (width, height, rgb bytes)."""
    raw = os.path.join(kde.dir, "shot.raw")
    width, height, stride = (int(v) for v in kde.python(SHOT, raw).split())
    with open(raw, "rb") as f:
        data = f.read()
    os.remove(raw)
    if stride != width * 4:
        data = b"".join(data[y * stride:y * stride + width * 4] for y in range(height))
    # QImage's 32-bit formats are BGRA in memory.
    rgb = bytearray(width * height * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = data[2::4], data[1::4], data[0::4]
    return width, height, bytes(rgb)


def windows(kde):
    """The windows KWin manages (what task managers list), as dicts."""
    script = os.path.join(kde.dir, "windows.js")
    with open(script, "w") as f:
        f.write(WINDOWS)
    os.chmod(script, 0o644)
    name = "vantrywindows%d" % time.monotonic_ns()
    before = len(kde.log("kwin"))
    kde.run(["dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin", "/Scripting",
             "org.kde.kwin.Scripting.loadScript", "string:" + script, "string:" + name])
    kde.run(["dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin", "/Scripting",
             "org.kde.kwin.Scripting.start"])
    lines = kde.wait_for("the window list", lambda: "@@MARK@@end" in kde.log("kwin")[before:]
                         and kde.log("kwin")[before:].splitlines())
    kde.run(["dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin", "/Scripting",
             "org.kde.kwin.Scripting.unloadScript", "string:" + name], check=False)
    found = []
    for line in lines:
        if "@@MARK@@{" in line:
            found.append(json.loads(line.split("@@MARK@@", 1)[1]))
    return found


def task_entries(kde, app):
    return [w for w in windows(kde) if w["pid"] == app.pid and w["normal"]
            and not w["skipTaskbar"] and not w["popup"]]


def status(path, kde):
    # Vantry answers its own user only: connect as the session user.
    switch = os.geteuid() == 0
    try:
        if switch:
            os.setegid(kde.gid)
            os.seteuid(kde.uid)
        with socket.socket(socket.AF_UNIX) as s:
            s.settimeout(5)
            s.connect(path)
            s.sendall(b"status\n")
            reply = b""
            while not reply.endswith(b"\n"):
                chunk = s.recv(1024)
                if not chunk:
                    break
                reply += chunk
    except OSError:
        return None
    finally:
        if switch:
            os.seteuid(0)
            os.setegid(0)
    return dict(part.split("=", 1) for part in reply.decode().split())


def main():
    # What KWin scripts print reaches KWin's log only with its scripting category on.
    os.environ["QT_LOGGING_RULES"] = "kwin_scripting.debug=true"
    # The fake input tool exits without freeing its connection: only vantry is checked for
    # leaks, with the sanitizer options the test was given.
    global VANTRY_ASAN
    VANTRY_ASAN = os.environ.get("ASAN_OPTIONS")
    if VANTRY_ASAN:
        os.environ["ASAN_OPTIONS"] = VANTRY_ASAN + ":detect_leaks=0"
    with KwinSession(fakeinput=FAKEINPUT, portal=False, size=SIZE) as kde:
        try:
            scenario(kde)
        except (Failure, SessionError) as e:
            print("FAIL:", e)
            print("last seen on screen:", SEEN)
            kde.dump()
            sys.exit(1)
    print("PASS")


def scenario(kde):
    shelf_dir = os.path.join(kde.home, "Shelf")
    os.makedirs(os.path.join(shelf_dir, "Projects"))
    with open(os.path.join(shelf_dir, "notes.txt"), "w") as f:
        f.write("Shopping\n- bread\n- coffee\n")
    config = os.path.join(kde.home, ".config", "vantry")
    os.makedirs(config)
    with open(os.path.join(config, "vantry.conf"), "w") as f:
        f.write("[General]\nuser_selected_dir=@ByteArray(%s)\n" % shelf_dir)
    kde.fakeinput = kde.install(FAKEINPUT)
    vantry = kde.install(VANTRY)
    kde._chown_tree()
    sock = os.path.join(kde.runtime, "app.vantry.Vantry.socket")
    env = kde.env(QT_LOGGING_RULES="app.vantry.*.debug=true")
    if VANTRY_ASAN:
        env["ASAN_OPTIONS"] = VANTRY_ASAN
    app = kde.background("vantry", [vantry], env=env)
    kde.wait_for("vantry", lambda: status(sock, kde))
    kde.wait_for("an empty screen", lambda: screen(kde) == [])

    # Without a panel a launch stands in for the tray click. The shelf opens in the bottom
    # right corner, at its own size, in no window list.
    kde.run([vantry], env=env)
    state = kde.wait_for("the shelf", lambda: (s := status(sock, kde)) and s["presented"] == "1" and s)
    width, height = (int(v) for v in state["geometry"].split(",")[2:])
    shelf = (SIZE[0] - width, SIZE[1] - height, width, height)
    kde.wait_for("the shelf at %s" % (shelf,),
                 lambda: screen(kde) == [shelf])
    # KWin lists layer surfaces and popups too, but task managers show only normal windows
    # that do not skip the task bar.
    if task_entries(kde, app):
        raise Failure("the shelf has a task manager entry: %s" % windows(kde))

    # Space previews the selected row beside the shelf, on the left; the shelf stays open
    # with the keyboard, and the preview is in no window list either.
    kde.keys(KEY_DOWN)
    kde.keys(KEY_SPACE)
    left = shelf[0] - GAP - 380
    # The panel's dark outline can match the black desktop: allow a pixel on each side.
    kde.wait_for("the preview beside the shelf", lambda: [
        b for b in screen(kde) if abs(b[0] - left) <= 1 and abs(b[2] - 380) <= 2])
    if status(sock, kde)["presented"] != "1":
        raise Failure("the shelf closed when the preview opened")
    if task_entries(kde, app):
        raise Failure("the preview has a task manager entry: %s" % windows(kde))
    kde.keys(KEY_DOWN)
    if status(sock, kde)["presented"] != "1":
        raise Failure("the shelf lost the keyboard to the preview")

    # Escape hides the preview only.
    kde.keys(KEY_ESC)
    kde.wait_for("the preview to hide", lambda: screen(kde) == [shelf])
    if status(sock, kde)["presented"] != "1":
        raise Failure("Escape closed the shelf")

    # Another window taking the focus closes the shelf.
    other = kde.popen(["weston-simple-shm"])
    try:
        kde.wait_for("the shelf to close",
                     lambda: (s := status(sock, kde)) and s["presented"] == "0" and s["window"] == "0")
    finally:
        other.terminate()
        other.wait()
    if app.poll() is not None:
        raise Failure("vantry ended")


if __name__ == "__main__":
    main()
