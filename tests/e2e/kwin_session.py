# SPDX-License-Identifier: GPL-3.0-or-later
"""A headless KDE Plasma Wayland session for end-to-end tests: KWin on a virtual screen
(it also hosts the kglobalaccel shortcut service), optionally xdg-desktop-portal with the
KDE backend and plasmashell as the panel and tray, on the private bus of a
wayland_session.Session.

What this machine taught us:
- /usr/bin/kwin_wayland carries file capabilities, which a container without them
  in its bounding set refuses to exec: a plain copy (cp drops them) is run instead.
- xdg-desktop-portal-kde is a Qt 5 program: it needs the qtwayland5 plugin.
- KWin checks who may use fake input: KWIN_WAYLAND_NO_PERMISSION_CHECKS=1.
- Our xdg-open stand-in comes first in PATH: it only records what it was asked to open.
- plasmashell's tray needs the StatusNotifierWatcher that kded5 hosts; kded5 is started
  first. ScreenShot2 answers only trusted callers: KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1.
"""
import os
import shutil

from instance import Failure
from wayland_session import Session


def _service_exec(name):
    """The program a D-Bus session service file starts."""
    path = "/usr/share/dbus-1/services/%s.service" % name
    with open(path) as f:
        for line in f:
            if line.startswith("Exec="):
                return line[len("Exec="):].split()[0]
    raise Failure("no Exec= in " + path)


class KwinSession(Session):
    def __init__(self, fakeinput, portal=True, size=(1280, 800), plasma=False):
        super().__init__(size)
        self.portal = portal
        self.plasma = plasma
        self.open_log = os.path.join(self.dir, "opened.log")
        self.fakeinput = self.install(fakeinput)
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
        for service in ("org.kde.KWin", "org.kde.kglobalaccel"):
            self.wait_for(service + " on the bus", lambda: self.has_name(service), 60)
        for service in (("org.freedesktop.impl.portal.desktop.kde",
                         "org.freedesktop.portal.Desktop") if self.portal else ()):
            self.background(service, [_service_exec(service)])
            self.wait_for(service + " on the bus", lambda: self.has_name(service))
        if self.plasma:
            self.background("kded5", ["kded5"])
            self.background("plasmashell", ["plasmashell", "--no-respawn"])
            for service in ("org.kde.StatusNotifierWatcher", "org.kde.plasmashell"):
                self.wait_for(service + " on the bus", lambda: self.has_name(service), 90)
        return self

    def screenshot(self):
        """The whole screen through KWin's ScreenShot2: (width, height, rows of BGRA bytes)."""
        raw = os.path.join(self.dir, "shot.raw")
        out = self.run(["/usr/bin/python3", "-c", SCREENSHOT, raw]).split()
        w, h, stride = map(int, out)
        with open(raw, "rb") as f:
            data = f.read()
        os.remove(raw)
        return w, h, [data[y * stride:y * stride + w * 4] for y in range(h)]

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


SCREENSHOT = """
import dbus, os, sys, threading
shot = dbus.SessionBus().get_object("org.kde.KWin.ScreenShot2", "/org/kde/KWin/ScreenShot2")
r, w = os.pipe()
chunks = []
reader = threading.Thread(target=lambda: chunks.extend(iter(lambda: os.read(r, 1 << 16), b"")))
reader.start()
fd = dbus.types.UnixFd(w)
os.close(w)
meta = shot.CaptureWorkspace({"native-resolution": True}, fd,
                             dbus_interface="org.kde.KWin.ScreenShot2")
del fd
reader.join()
open(sys.argv[1], "wb").write(b"".join(chunks))
print(int(meta["width"]), int(meta["height"]), int(meta["stride"]))
"""
