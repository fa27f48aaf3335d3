# SPDX-License-Identifier: GPL-3.0-or-later
"""A headless KDE Plasma Wayland session for end-to-end tests.

KWin on a virtual screen (it also hosts the kglobalaccel shortcut service), a
private session bus, and optionally xdg-desktop-portal with the KDE backend.
Programs started through the session run as its user with its environment.

    with KwinSession(fakeinput="/path/to/vantry_kwin_fakeinput", portal=True) as kde:
        app = kde.popen(["/path/to/vantry"], log="vantry.log")
        kde.keys(29, 125, 31)          # Ctrl+Super+S, pressed and released
        kde.opened()                   # what xdg-open was asked to open

What this machine taught us:
- /usr/bin/kwin_wayland carries file capabilities, which a container without them
  in its bounding set refuses to exec: a plain copy (cp drops them) is run instead.
- xdg-desktop-portal-kde is a Qt 5 program: it needs the qtwayland5 plugin.
- KWin checks who may use fake input: KWIN_WAYLAND_NO_PERMISSION_CHECKS=1.
- Our xdg-open stand-in comes first in PATH: it only records what it was asked to open.
"""
import os
import shutil

from instance import Failure
from wayland_session import Session

SessionError = Failure  # one failure for every end-to-end test


def _service_exec(name):
    """The program a D-Bus session service file starts."""
    path = "/usr/share/dbus-1/services/%s.service" % name
    with open(path) as f:
        for line in f:
            if line.startswith("Exec="):
                return line[len("Exec="):].split()[0]
    raise Failure("no Exec= in " + path)


class KwinSession(Session):
    def __init__(self, fakeinput=None, portal=True, size=(1280, 800), timeout=30.0):
        super().__init__(size, timeout)
        self.portal = portal
        self.open_log = os.path.join(self.dir, "opened.log")
        self.fakeinput = self.install(fakeinput) if fakeinput else None
        for opener in ("xdg-open", "kde-open5", "kde-open"):
            path = os.path.join(self.bin, opener)
            with open(path, "w") as f:
                f.write('#!/bin/sh\necho "$*" >> "%s"\n' % self.open_log)
            os.chmod(path, 0o755)

    def env(self, **extra):
        return super().env(**dict(dict(
            XDG_CURRENT_DESKTOP="KDE", XDG_SESSION_DESKTOP="KDE", XDG_SESSION_TYPE="wayland",
            DESKTOP_SESSION="plasmawayland", KDE_FULL_SESSION="true", KDE_SESSION_VERSION="5"),
            **extra))

    def start(self):
        super().start(activation=True)
        kwin = self.install(shutil.which("kwin_wayland") or "/usr/bin/kwin_wayland")
        self._chown_tree()
        self._compositor("kwin", [kwin, "--virtual", "--width", str(self.size[0]),
                                  "--height", str(self.size[1]), "--socket", self.socket,
                                  "--no-lockscreen"],
                         self.env(KWIN_WAYLAND_NO_PERMISSION_CHECKS="1",
                                  KWIN_SCREENSHOT_NO_PERMISSION_CHECKS="1",
                                  QT_QPA_PLATFORM="offscreen"))
        self.wait_for("KWin on the bus", lambda: self.has_name("org.kde.KWin"), 60)
        self.wait_for("kglobalaccel in KWin", lambda: self.has_name("org.kde.kglobalaccel"))
        if self.portal:
            self.background("portal-kde",
                            [_service_exec("org.freedesktop.impl.portal.desktop.kde")])
            self.wait_for("xdg-desktop-portal-kde",
                          lambda: self.has_name("org.freedesktop.impl.portal.desktop.kde"))
            self.background("portal", [_service_exec("org.freedesktop.portal.Desktop"), "-v"])
            self.wait_for("xdg-desktop-portal",
                          lambda: self.has_name("org.freedesktop.portal.Desktop"))
        return self

    def keys(self, *codes):
        """Presses evdev key codes in order and releases them in reverse, through
        KWin's fake input: KWin's shortcuts see them as a keyboard's."""
        self.run([self.fakeinput, "key"] + ["+%d" % c for c in codes] +
                 ["-%d" % c for c in reversed(codes)])

    def opened(self):
        """What xdg-open (or kde-open) was asked to open, in order."""
        try:
            with open(self.open_log) as f:
                return f.read().split()
        except OSError:
            return []

    def set_shortcut(self, component, action, keys, friendly=None):
        """Gives a kglobalaccel action keys (Qt key codes with modifier bits), as
        System Settings does when the user assigns a shortcut."""
        return self.python(_KGLOBALACCEL + """
action = [sys.argv[1], sys.argv[2], sys.argv[4] or sys.argv[1], sys.argv[4] or sys.argv[2]]
keys = [int(k) for k in sys.argv[3].split(",") if k]
accel.setForeignShortcutKeys(action, dbus.Array([dbus.Struct(([k, 0, 0, 0],), signature=None)
                                                 for k in keys], signature="(ai)"))
""", component, action, ",".join(str(k) for k in keys), friendly or "")

    def shortcuts(self, component):
        """{action: [Qt key codes]} of a kglobalaccel component ({} when unknown)."""
        out = self.python(_KGLOBALACCEL + """
for path in accel.allComponents():
    comp = bus.get_object("org.kde.kglobalaccel", path)
    props = dbus.Interface(comp, "org.freedesktop.DBus.Properties")
    if str(props.Get("org.kde.kglobalaccel.Component", "uniqueName")) != sys.argv[1]:
        continue
    for info in comp.allShortcutInfos(dbus_interface="org.kde.kglobalaccel.Component"):
        print(str(info[0]), ",".join(str(int(k)) for k in info[6]))
""", component)
        result = {}
        for line in out.splitlines():
            name, _, keys = line.partition(" ")
            result[name] = [int(k) for k in keys.split(",") if k and int(k)]
        return result


_KGLOBALACCEL = """
import dbus, sys
bus = dbus.SessionBus()
accel = dbus.Interface(bus.get_object("org.kde.kglobalaccel", "/kglobalaccel"),
                       "org.kde.KGlobalAccel")
"""

# Qt key codes and modifier bits, as kglobalaccel stores them.
QT_META, QT_CTRL, QT_ALT, QT_SHIFT = 0x10000000, 0x04000000, 0x08000000, 0x02000000
# Linux evdev key codes, as fake input sends them.
KEY_LEFTCTRL, KEY_LEFTMETA, KEY_LEFTALT, KEY_LEFTSHIFT = 29, 125, 56, 42
EVDEV_LETTERS = {c: code for c, code in zip(
    "qwertyuiopasdfghjklzxcvbnm",
    (16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32, 33, 34, 35, 36, 37, 38,
     44, 45, 46, 47, 48, 49, 50))}
