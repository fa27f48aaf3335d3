#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the command line: the real vantry in Xvfb with openbox and trayer.

--help, --version and errors without a display; --show, --hide, --toggle, --preferences,
--background and --quit against a running instance; the launcher's startup id reaching the
shelf window; a launch against an instance too busy to answer, which must be sent once; and
a start where the socket cannot be made.
Usage: test_cli.py /path/to/vantry   (run through tests/isolate.sh --wm --tray)
"""
import os
import pwd
import signal
import subprocess
import tempfile
import time

import instance

from test_tray import (LOG, SOCKET, TIMEOUT, VANTRY, expect_exit, fail, prepare_shelf, run,
                       status, visible_windows, wait_for)

NO_DISPLAY = {k: v for k, v in os.environ.items()
              if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}


def launch(*args, env=None, expect=0):
    result = subprocess.run([VANTRY, *args], env=env or os.environ, timeout=TIMEOUT,
                            capture_output=True, text=True)
    if result.returncode != expect:
        fail("vantry %s exited with %d, not %d\nstdout: %s\nstderr: %s"
             % (" ".join(args), result.returncode, expect, result.stdout, result.stderr))
    return result


def without_display():
    out = launch("--version", env=NO_DISPLAY).stdout
    if not out.startswith("vantry ") or len(out.split()) != 2:
        fail("--version printed %r" % out)
    out = launch("--help", env=NO_DISPLAY).stdout
    for option in ("--show", "--hide", "--toggle", "--quit", "--preferences", "--background",
                   "--help", "--version"):
        if option not in out:
            fail("--help does not mention %s:\n%s" % (option, out))
    for args in (("--bogus",), ("--show", "--hide"), ("--background", "--toggle"), ("extra",)):
        result = launch(*args, env=NO_DISPLAY, expect=2)
        if result.stdout or not result.stderr.startswith("vantry: ") \
                or "Usage:" not in result.stderr:
            fail("%s: expected an error and the usage on stderr, got %r / %r"
                 % (args, result.stdout, result.stderr))
    # Nothing running: nothing to hide or quit, and nothing is started for it.
    for option in ("--hide", "--quit"):
        launch(option, env=NO_DISPLAY)
    if os.path.exists(SOCKET):
        fail("--hide or --quit started an instance")


def shelf_mapped(app):
    return bool(visible_windows(app.pid, "Vantry Shelf"))


def presented(expected):
    return lambda: (s := status()) and s["presented"] == expected and s


def start(*args):
    env = dict(os.environ, QT_LOGGING_RULES="app.vantry.*.debug=true")
    app = subprocess.Popen([VANTRY, *args], stdout=open(LOG, "a"), stderr=subprocess.STDOUT,
                           env=env)
    wait_for("vantry to answer", status)
    return app


def stop(app):
    launch("--quit")
    expect_exit(app, "--quit")
    wait_for("the socket to go", lambda: not os.path.exists(SOCKET))


def startup_id_of_shelf(app):
    windows = visible_windows(app.pid, "Vantry Shelf")
    return run("xprop", "-id", str(windows[0]), "_NET_STARTUP_ID") if windows else ""


def drive_running_instance():
    # --show starts Vantry when none runs, and shows the shelf.
    app = start("--show")
    wait_for("the shelf after starting with --show", presented("1"))
    wait_for("the shelf window", lambda: shelf_mapped(app))
    stop(app)

    # --background shows nothing, neither at start nor when Vantry runs already.
    app = start("--background")
    wait_for("the tray icon", lambda: (s := status()) and s["tray"] == "1")
    launch("--background")
    state = status()
    if state["presented"] != "0" or state["window"] != "0":
        fail("--background showed the shelf: %s" % state)

    # --show shows, and shows again (no toggle); the launcher's startup id reaches the window.
    launch("--show", env=dict(os.environ, DESKTOP_STARTUP_ID="vantry-test_TIME4242"))
    wait_for("--show", presented("1"))
    wait_for("the shelf window", lambda: shelf_mapped(app))
    if "vantry-test_TIME4242" not in startup_id_of_shelf(app):
        fail("the startup id did not reach the shelf: %r" % startup_id_of_shelf(app))
    launch("--show")
    wait_for("--show again", presented("1"))

    # --hide hides and hides again; --toggle alternates.
    launch("--hide")
    wait_for("--hide", presented("0"))
    if shelf_mapped(app):
        fail("the shelf is still mapped after --hide")
    launch("--hide")
    wait_for("--hide again", presented("0"))
    launch("--toggle")
    wait_for("--toggle to show", lambda: presented("1")() and shelf_mapped(app))
    launch("--toggle")
    wait_for("--toggle to hide", lambda: presented("0")() and not shelf_mapped(app))
    launch()
    wait_for("a plain second launch to show", presented("1"))
    launch()
    wait_for("a plain second launch to hide", presented("0"))

    # --preferences opens the settings window.
    launch("--preferences")
    wait_for("the settings window", lambda: (s := status()) and s["settings"] == "1")
    stop(app)


def busy_instance():
    """A launch against an instance that cannot answer gives up once and never resends."""
    app = start()
    wait_for("the tray icon", lambda: (s := status()) and s["tray"] == "1")
    logged_before = os.path.getsize(LOG)
    os.kill(app.pid, signal.SIGSTOP)
    try:
        began = time.monotonic()
        result = launch("--toggle", expect=1)
        if "did not answer" not in result.stderr:
            fail("no word on the busy instance: %r" % result.stderr)
        if time.monotonic() - began > TIMEOUT:
            fail("the launcher waited too long")
    finally:
        os.kill(app.pid, signal.SIGCONT)
    # The instance takes the one request when it is free again, and only that one.
    wait_for("the queued toggle", presented("1"))
    with open(LOG) as f:
        f.seek(logged_before)
        toggles = f.read().count('request "toggle"')
    if toggles != 1:
        fail("the instance received %d toggles from one launch" % toggles)
    stop(app)


def socket_blocked():
    """A file where the socket belongs: Vantry runs with its socket in the fallback folder,
    where later launches reach it."""
    open(SOCKET, "w").close()
    fallback = os.path.join(tempfile.gettempdir(), "runtime-" + pwd.getpwuid(os.geteuid()).pw_name,
                            "app.vantry.Vantry.socket")
    app = subprocess.Popen([VANTRY, "--show"], stdout=open(LOG, "a"), stderr=subprocess.STDOUT)
    wait_for("the shelf, reached through the fallback socket",
             lambda: (s := instance.status(fallback)) and s["presented"] == "1")
    launch("--hide")
    wait_for("--hide through the fallback socket",
             lambda: (s := instance.status(fallback)) and s["presented"] == "0")
    launch("--quit")
    expect_exit(app, "--quit")
    os.remove(SOCKET)


def main():
    prepare_shelf(("a.txt", "b.txt"))
    open(LOG, "w").close()
    without_display()
    drive_running_instance()
    busy_instance()
    socket_blocked()
    print("PASS")


if __name__ == "__main__":
    main()
