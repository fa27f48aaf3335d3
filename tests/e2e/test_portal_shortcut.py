#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end test of the global shortcut on KDE Plasma's Wayland session.

The real stack: KWin on a virtual screen (with its kglobalaccel), xdg-desktop-portal
and its KDE backend on a private bus, Vantry on Qt's wayland platform, keys pressed
through KWin's fake input.
- A stored shortcut KWin already uses (Ctrl+Super+A) is filed by the desktop without
  a key and kept: no error line. (Plasma 5.27's portal reports the preferred key for
  it all the same, so Vantry cannot tell it from a bound one.)
- The user assigns it a key in System Settings (kglobalaccel's D-Bus interface,
  as System Settings does): that key shows and hides the shelf.
- A restart keeps the key and never sends the user to System Settings.
- A shortcut changed in Vantry (stored Ctrl+Super+S) works after the restart, and
  one changed in System Settings works at once.
Usage: test_portal_shortcut.py /path/to/vantry /path/to/vantry_kwin_fakeinput
"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import instance  # noqa: E402
import wayland_session  # noqa: E402
from wayland_session import Failure  # noqa: E402
from kwin_session import (EVDEV_LETTERS, KEY_LEFTCTRL, KEY_LEFTMETA, QT_CTRL, QT_META,  # noqa: E402
                          KwinSession, SessionError)

TIMEOUT = 30.0
CONTROL_COMMAND = 0x1100  # Carbon modifiers of Ctrl+Super
MAC_KEY = {"a": 0, "s": 1}  # macOS virtual key codes, as shortcuts are stored
COMPONENT = "vantry"  # KDE names the component after our session token


def wait_for(what, condition, timeout=TIMEOUT):
    return wayland_session.wait_for(what, condition, timeout)


class Vantry:
    def __init__(self, kde, program):
        self.kde = kde
        self.program = kde.install(program, "vantry")
        self.socket = os.path.join(kde.runtime, "app.vantry.Vantry.socket")
        self.config = os.path.join(kde.home, ".config", "vantry", "vantry.conf")
        self.runs = 0
        self.process = None
        shelf = os.path.join(kde.home, "Shelf")
        os.makedirs(shelf)
        for name in ("a.txt", "b.txt"):
            open(os.path.join(shelf, name), "w").close()
        os.makedirs(os.path.dirname(self.config))
        self.shelf = shelf

    def store_shortcut(self, letter):
        json = '{\\"carbonKeyCode\\":%d,\\"carbonModifiers\\":%d}' % (MAC_KEY[letter],
                                                                    CONTROL_COMMAND)
        with open(self.config, "w") as f:
            f.write('[General]\nuser_selected_dir=@ByteArray(%s)\n'
                    'KeyboardShortcuts_openShelfWindow="%s"\n' % (self.shelf, json))
        for path in (os.path.dirname(self.config), self.config, self.shelf):
            os.chown(path, self.kde.uid, self.kde.gid)

    def log_path(self, run=None):
        return os.path.join(self.kde.logs, "vantry-%d.log" % (run or self.runs))

    def log(self, run=None):
        try:
            with open(self.log_path(run), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def start(self):
        self.runs += 1
        env = self.kde.env(QT_LOGGING_RULES="app.vantry.*.debug=true")
        self.process = self.kde.popen([self.program], log=self.log_path(), env=env)
        wait_for("vantry to answer", self.status)
        # Keys reach us once the portal session is there.
        wait_for("vantry's shortcut session", lambda: "Shortcut session" in self.log())

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(15)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None
        # The instance's socket goes with it; the next one must not find it.
        wait_for("vantry to let go of its socket", lambda: self.status() is None)

    def status(self):
        """The running instance's state as a dict, or None when it does not answer."""
        if self.process and self.process.poll() is not None:
            raise Failure("vantry ended (%s)" % self.process.returncode)
        return instance.status(self.socket, (self.kde.uid, self.kde.gid))

    def shelf_shown(self):
        s = self.status()
        return s and s["presented"] == "1" and s["window"] == "1" and s["items"] == "2"

    def shelf_hidden(self):
        s = self.status()
        return s and s["presented"] == "0" and s["window"] == "0"


def press(kde, letter):
    kde.keys(KEY_LEFTCTRL, KEY_LEFTMETA, EVDEV_LETTERS[letter])


def toggles_the_shelf(kde, app, letter, when):
    press(kde, letter)
    wait_for("Ctrl+Super+%s to show the shelf (%s)" % (letter.upper(), when), app.shelf_shown)
    press(kde, letter)
    wait_for("Ctrl+Super+%s to hide the shelf (%s)" % (letter.upper(), when), app.shelf_hidden)


def desktop_keys(kde, shortcut_id):
    return kde.shortcuts(COMPONENT).get(shortcut_id)


def scenario(kde, app):
    taken_id = "hotkey-%d-%d" % (MAC_KEY["a"], CONTROL_COMMAND)
    app.store_shortcut("a")
    app.start()
    # KWin itself uses Ctrl+Super+A: the desktop files ours without a key.
    wait_for("the desktop to file the shortcut", lambda: desktop_keys(kde, taken_id) == [])
    if app.shelf_shown():
        raise Failure("the shelf is shown before any key was pressed")

    # The user assigns Ctrl+Super+X in System Settings.
    kde.set_shortcut(COMPONENT, taken_id, [QT_META | QT_CTRL | ord("X")])
    wait_for("the desktop to take the key",
             lambda: desktop_keys(kde, taken_id) == [QT_META | QT_CTRL | ord("X")])
    toggles_the_shelf(kde, app, "x", "assigned in the desktop")

    # A restart keeps the key, and nobody is sent to System Settings.
    app.stop()
    app.start()
    toggles_the_shelf(kde, app, "x", "after a restart")

    # Changed in Vantry: its preferred key is free and bound at once.
    app.stop()
    app.store_shortcut("s")
    app.start()
    toggles_the_shelf(kde, app, "s", "changed in Vantry")

    # Changed in System Settings while Vantry runs.
    changed_id = "hotkey-%d-%d" % (MAC_KEY["s"], CONTROL_COMMAND)
    kde.set_shortcut(COMPONENT, changed_id, [QT_META | QT_CTRL | ord("Y")])
    wait_for("the desktop to take the new key",
             lambda: desktop_keys(kde, changed_id) == [QT_META | QT_CTRL | ord("Y")])
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
        except (Failure, SessionError) as error:
            print("FAIL:", error)
            for run in range(1, app.runs + 1):
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
