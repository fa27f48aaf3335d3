#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the global shortcut on KDE Plasma's Wayland session.

The real stack: KWin on a virtual screen (with its kglobalaccel), xdg-desktop-portal
and its KDE backend on a private bus, Vantry on Qt's wayland platform, keys pressed
through KWin's fake input. Whether a key reached Vantry shows as the shelf toggling.
- A stored shortcut KWin already uses (Ctrl+Super+A) is filed by the desktop without
  a key, and no error is reported; the key the user then assigns in System Settings
  (kglobalaccel's D-Bus interface, as System Settings does) works.
- Restarts keep the key and never send the user to System Settings. Each restart
  quits Vantry and starts the next one as soon as the old one's socket is gone,
  holding the old process while the new one binds: a slow exit on a busy desktop.
- A shortcut changed in Vantry (stored Ctrl+Super+S) works after the restart, and
  one changed in System Settings works at once.
Usage: test_portal_shortcut.py /path/to/vantry /path/to/vantry_kwin_fakeinput
"""
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import instance  # noqa: E402
from instance import Failure  # noqa: E402
from kwin_session import (EVDEV_LETTERS, KEY_LEFTCTRL, KEY_LEFTMETA, QT_CTRL, QT_META,  # noqa: E402
                          KwinSession, SessionError)

TIMEOUT = 30.0
RESTARTS = 8
CONTROL_COMMAND = 0x1100  # Carbon modifiers of Ctrl+Super
MAC_KEY = {"a": 0, "s": 1}  # macOS virtual key codes, as shortcuts are stored
COMPONENT = "vantry"  # KDE names the component after our session token


def wait_for(what, condition):
    return instance.wait_for(what, condition, TIMEOUT)


class Vantry:
    def __init__(self, kde, program):
        self.kde = kde
        self.program = kde.install(program, "vantry")
        self.socket = os.path.join(kde.runtime, "app.vantry.Vantry.socket")
        self.config = os.path.join(kde.home, ".config", "vantry", "vantry.conf")
        self.shelf = os.path.join(kde.home, "Shelf")
        self.runs = 0
        self.process = None
        os.makedirs(self.shelf)
        os.makedirs(os.path.dirname(self.config))

    def store_shortcut(self, letter):
        json = '{\\"carbonKeyCode\\":%d,\\"carbonModifiers\\":%d}' % (MAC_KEY[letter],
                                                                    CONTROL_COMMAND)
        with open(self.config, "w") as f:
            f.write('[General]\nuser_selected_dir=@ByteArray(%s)\n'
                    'KeyboardShortcuts_openShelfWindow="%s"\n' % (self.shelf, json))
        for path in (os.path.dirname(self.config), self.config, self.shelf):
            os.chown(path, self.kde.uid, self.kde.gid)

    def log(self, run=None):
        try:
            with open(os.path.join(self.kde.logs, "vantry-%d.log" % (run or self.runs)),
                      errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def start(self):
        self.runs += 1
        env = self.kde.env(QT_LOGGING_RULES="app.vantry.*.debug=true")
        self.process = self.kde.popen(
            [self.program], log=os.path.join(self.kde.logs, "vantry-%d.log" % self.runs), env=env)
        wait_for("vantry to answer", self.status)
        # Keys reach us once the portal session is there.
        wait_for("vantry's shortcut session", lambda: "Shortcut session" in self.log())

    def restart(self, prepare=lambda: None):
        """Quits, runs prepare, starts again; True when the old process was caught still
        running."""
        old, self.process = self.process, None
        self.kde.run([self.program, "--quit"])
        deadline = time.monotonic() + TIMEOUT
        while os.path.exists(self.socket):
            if time.monotonic() > deadline:
                raise Failure("vantry kept its socket after --quit")
            time.sleep(0.001)
        held = old.poll() is None
        if held:
            os.kill(old.pid, signal.SIGSTOP)
        try:
            prepare()
            self.start()
        finally:
            if held:
                os.kill(old.pid, signal.SIGCONT)
            old.wait(TIMEOUT)
        return held

    def status(self):
        """The running instance's state as a dict, or None when it does not answer."""
        if self.process and self.process.poll() is not None:
            raise Failure("vantry ended (%s)" % self.process.returncode)
        return instance.status(self.socket, (self.kde.uid, self.kde.gid))

    def shown(self):
        s = self.status()
        return s and s["presented"] == "1"

    def hidden(self):
        s = self.status()
        return s and s["presented"] == "0"


def toggles_the_shelf(kde, app, letter, when):
    for condition, what in ((app.shown, "show"), (app.hidden, "hide")):
        kde.keys(KEY_LEFTCTRL, KEY_LEFTMETA, EVDEV_LETTERS[letter])
        wait_for("Ctrl+Super+%s to %s the shelf (%s)" % (letter.upper(), what, when), condition)


def assign(kde, shortcut_id, letter):
    keys = [QT_META | QT_CTRL | ord(letter.upper())]
    kde.set_shortcut(COMPONENT, shortcut_id, keys)
    wait_for("the desktop to take the key",
             lambda: kde.shortcuts(COMPONENT).get(shortcut_id) == keys)


def scenario(kde, app):
    taken_id = "hotkey-%d-%d" % (MAC_KEY["a"], CONTROL_COMMAND)
    app.store_shortcut("a")
    app.start()
    # KWin itself uses Ctrl+Super+A: the desktop files ours without a key.
    wait_for("the desktop to file the shortcut",
             lambda: kde.shortcuts(COMPONENT).get(taken_id) == [])
    assign(kde, taken_id, "x")
    toggles_the_shelf(kde, app, "x", "assigned in the desktop")

    held = 0
    for restart in range(1, RESTARTS + 1):
        held += app.restart()
        toggles_the_shelf(kde, app, "x", "after restart %d" % restart)
    print("the old process was still running at %d of %d restarts" % (held, RESTARTS))

    # Changed in Vantry: its preferred key is free and bound at once.
    app.restart(lambda: app.store_shortcut("s"))
    toggles_the_shelf(kde, app, "s", "changed in Vantry")
    # Changed in System Settings while Vantry runs.
    assign(kde, "hotkey-%d-%d" % (MAC_KEY["s"], CONTROL_COMMAND), "y")
    toggles_the_shelf(kde, app, "y", "changed in the desktop")

    for run in range(1, app.runs + 1):
        if "Error registering hotkey" in app.log(run):
            raise Failure("run %d reported a refusal:\n%s" % (run, app.log(run)))
    if kde.opened():
        raise Failure("the desktop was asked to open %s" % kde.opened())


def main():
    program, fakeinput = sys.argv[1], sys.argv[2]
    with KwinSession(fakeinput=fakeinput) as kde:
        app = Vantry(kde, program)
        try:
            scenario(kde, app)
        except (Failure, SessionError, subprocess.TimeoutExpired) as error:
            print("FAIL:", error)
            for run in range(max(1, app.runs - 2), app.runs + 1):
                print("--- vantry log, run %d ---\n%s" % (run, app.log(run)))
            kde.dump()
            sys.exit(1)
        finally:
            if app.process and app.process.poll() is None:
                app.process.kill()
                app.process.wait()
    print("PASS")


if __name__ == "__main__":
    main()
