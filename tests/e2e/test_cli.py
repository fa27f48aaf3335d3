#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the command line: the real vantry in Xvfb with openbox and no tray.

--version without a display; --show, --hide, --toggle, --preferences
and --background against a running instance (what each option means is the command line's
unit test); the launcher's startup id reaching the shelf window; a launch against an
instance too busy to answer, which must be sent once; a start where the socket cannot be
made; and a first launch by hand, which shows the shelf once no tray turned up, with Quit
in its gear menu.
Usage: test_cli.py /path/to/vantry   (run through tests/isolate.sh --wm)
"""
import os
import pwd
import signal
import tempfile

import instance
from instance import Failure, LOG, SOCKET, hidden, launch, run, shown, status, wait_for

NO_TRAY = "No system tray found"
NO_DISPLAY = {k: v for k, v in os.environ.items()
              if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}


def without_display():
    out = launch("--version", env=NO_DISPLAY).stdout
    if not out.startswith("vantry ") or len(out.split()) != 2:
        raise Failure("--version printed %r" % out)
    # Nothing running: nothing to hide or quit, and nothing is started for it.
    for option in ("--hide", "--quit"):
        launch(option, env=NO_DISPLAY)
    if os.path.exists(SOCKET):
        raise Failure("--hide or --quit started an instance")


def mapped(app):
    return instance.visible_windows(app.pid, "Vantry Shelf")


def start(*args):
    app = instance.start(*args)
    wait_for("vantry to answer", status)
    return app


def stop(app):
    launch("--quit")
    instance.expect_exit(app, "--quit")
    wait_for("the socket to go", lambda: not os.path.exists(SOCKET))


def drive_running_instance():
    # --background shows nothing, neither at start nor when Vantry runs already.
    app = start("--background")
    # Started with the session, it shows nothing when no tray turns up either.
    wait_for("the no-tray notice", lambda: NO_TRAY in instance.log_text())
    launch("--background")
    if not hidden(status()):
        raise Failure("--background showed the shelf: %s" % status())

    # --show shows; the launcher's startup id reaches the window.
    launch("--show", env=dict(os.environ, DESKTOP_STARTUP_ID="vantry-test_TIME4242"))
    window = wait_for("--show", lambda: shown(status()) and mapped(app))[0]
    startup_id = run("xprop", "-id", str(window), "_NET_STARTUP_ID")
    if "vantry-test_TIME4242" not in startup_id:
        raise Failure("the startup id did not reach the shelf: %r" % startup_id)
    # --show shows again (no toggle), --hide hides and hides again; --toggle alternates.
    for option, expected in (("--show", True), ("--hide", False), ("--hide", False),
                             ("--toggle", True), ("--toggle", False)):
        launch(option)
        wait_for("%s to leave the shelf %s" % (option, "shown" if expected else "hidden"),
                 lambda: (shown if expected else hidden)(status())
                 and bool(mapped(app)) == expected)

    launch("--preferences")
    wait_for("the settings window", lambda: status()["settings"] == "1")
    stop(app)


def busy_instance():
    """A launch against an instance that cannot answer gives up once and never resends."""
    app = start("--background")
    logged_before = os.path.getsize(LOG)
    os.kill(app.pid, signal.SIGSTOP)
    try:
        # launch() fails when the launcher waits longer than the test's timeout.
        result = launch("--toggle", expect=1)
        if "did not answer" not in result.stderr:
            raise Failure("no word on the busy instance: %r" % result.stderr)
    finally:
        os.kill(app.pid, signal.SIGCONT)
    # The instance takes the one request when it is free again, and only that one.
    wait_for("the queued toggle", lambda: shown(status()))
    with open(LOG, "rb") as f:
        f.seek(logged_before)
        toggles = f.read().count(b'request "toggle"')
    if toggles != 1:
        raise Failure("the instance received %d toggles from one launch" % toggles)
    stop(app)


def socket_blocked():
    """A file where the socket belongs: Vantry, started by --show, runs with its socket in
    the fallback folder, where later launches reach it."""
    open(SOCKET, "w").close()
    fallback = os.path.join(tempfile.gettempdir(), "runtime-" + pwd.getpwuid(os.geteuid()).pw_name,
                            "app.vantry.Vantry.socket")
    app = instance.start("--show")
    wait_for("the shelf, reached through the fallback socket",
             lambda: shown(status(fallback)))
    launch("--hide")
    wait_for("--hide through the fallback socket", lambda: hidden(status(fallback)))
    launch("--quit")
    instance.expect_exit(app, "--quit")
    os.remove(SOCKET)


def without_tray():
    """A launch by hand shows the shelf once no tray turned up; its gear menu has Quit."""
    logged = len(instance.log_text())
    app = instance.start()
    shelf = wait_for("the shelf without a tray", lambda: shown(status()) and mapped(app))
    if NO_TRAY not in instance.log_text()[logged:]:
        raise Failure("the shelf showed before the wait for a tray ended")
    # The gear is the last control, in the bottom right corner inside the padding.
    x, y, w, h = wait_for("the shelf's place", lambda: instance.geometry(shelf[0]))
    instance.click(x + w - 30, y + h - 30)
    state = wait_for("the gear menu", lambda: (s := status()) and s.get("popup") and s)
    if state["popup"] != "5":
        raise Failure("the gear menu has %s entries, not Preferences…, Check for "
                      "Updates… and Quit with their separators" % state["popup"])
    run("xdotool", "key", "Up", "Return")
    instance.expect_exit(app, "Quit from the gear menu")


def scenario():
    instance.prepare_shelf(("a.txt", "b.txt"))
    without_display()
    drive_running_instance()
    busy_instance()
    socket_blocked()
    without_tray()


if __name__ == "__main__":
    instance.main(scenario)
