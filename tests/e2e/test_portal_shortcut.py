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
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import instance  # noqa: E402
from instance import Failure, hidden, shown  # noqa: E402
from kwin_session import KwinSession  # noqa: E402

TIMEOUT = 30.0
PYTHON = "/usr/bin/python3"  # the distribution's, which has python3-dbus
RESTARTS = 8
CONTROL_COMMAND = 0x1100  # Carbon modifiers of Ctrl+Super
MAC_KEY = {"a": 0, "s": 1}  # macOS virtual key codes, as shortcuts are stored
COMPONENT = "vantry"  # KDE names the component after our session token
# Qt's Ctrl+Meta, as kglobalaccel stores keys; evdev key codes, as fake input sends them.
QT_CTRL_META = 0x04000000 | 0x10000000
KEY_LEFTCTRL, KEY_LEFTMETA = 29, 125
EVDEV_LETTERS = {"s": 31, "x": 45, "y": 21}

KGLOBALACCEL = """
import dbus, sys
bus = dbus.SessionBus()
accel = dbus.Interface(bus.get_object("org.kde.kglobalaccel", "/kglobalaccel"),
                       "org.kde.KGlobalAccel")
"""
# Gives an action keys, as System Settings does when the user assigns a shortcut.
SET_SHORTCUT = KGLOBALACCEL + """
action = [sys.argv[1], sys.argv[2], sys.argv[1], sys.argv[2]]
accel.setForeignShortcutKeys(action, dbus.Array(
    [dbus.Struct(([int(sys.argv[3]), 0, 0, 0],), signature=None)], signature="(ai)"))
"""
# Prints each action of a component with its keys.
SHORTCUTS = KGLOBALACCEL + """
for path in accel.allComponents():
    comp = bus.get_object("org.kde.kglobalaccel", path)
    props = dbus.Interface(comp, "org.freedesktop.DBus.Properties")
    if str(props.Get("org.kde.kglobalaccel.Component", "uniqueName")) != sys.argv[1]:
        continue
    for info in comp.allShortcutInfos(dbus_interface="org.kde.kglobalaccel.Component"):
        print(str(info[0]), " ".join(str(int(k)) for k in info[6] if int(k)))
"""


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

    def log(self, run):
        return self.kde.log("vantry-%d" % run)

    def start(self):
        self.runs += 1
        # Quiet at start: without a tray a launch by hand would show the shelf at once.
        self.process = self.kde.background("vantry-%d" % self.runs,
                                           [self.program, "--background"],
                                           env=self.kde.env(**instance.DEBUG))
        wait_for("vantry to answer", self.status)
        # Keys reach us once the portal session is there.
        wait_for("vantry's shortcut session", lambda: "Shortcut session" in self.log(self.runs))

    def restart(self, prepare=lambda: None):
        """Quits, runs prepare, starts again; True when the old process was caught still
        running."""
        old = self.process
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
        if self.process.poll() is not None:
            raise Failure("vantry ended (%s)" % self.process.returncode)
        return instance.status(self.socket, (self.kde.uid, self.kde.gid))


def toggles_the_shelf(kde, app, letter, when):
    for condition, what in ((shown, "show"), (hidden, "hide")):
        kde.keys(KEY_LEFTCTRL, KEY_LEFTMETA, EVDEV_LETTERS[letter])
        wait_for("Ctrl+Super+%s to %s the shelf (%s)" % (letter.upper(), what, when),
                 lambda: condition(app.status()))


def shortcuts(kde):
    """{action: [Qt key codes]} of our kglobalaccel component ({} when unknown)."""
    lines = kde.run([PYTHON, "-c", SHORTCUTS, COMPONENT]).splitlines()
    return {name: [int(k) for k in keys.split()] for name, _, keys in
            (line.partition(" ") for line in lines)}


def assign(kde, shortcut_id, letter):
    keys = [QT_CTRL_META | ord(letter.upper())]
    kde.run([PYTHON, "-c", SET_SHORTCUT, COMPONENT, shortcut_id, str(keys[0])])
    wait_for("the desktop to take the key", lambda: shortcuts(kde).get(shortcut_id) == keys)


def scenario(program, fakeinput):
    with KwinSession(fakeinput) as kde:
        app = Vantry(kde, program)
        taken_id = "hotkey-%d-%d" % (MAC_KEY["a"], CONTROL_COMMAND)
        app.store_shortcut("a")
        app.start()
        # KWin itself uses Ctrl+Super+A: the desktop files ours without a key.
        wait_for("the desktop to file the shortcut", lambda: shortcuts(kde).get(taken_id) == [])
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


if __name__ == "__main__":
    instance.main(scenario, *sys.argv[1:3])
