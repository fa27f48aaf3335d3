# SPDX-License-Identifier: GPL-3.0-or-later
"""A headless KDE Plasma Wayland session for end-to-end tests: KWin on a virtual screen
(it also hosts the kglobalaccel shortcut service) and optionally xdg-desktop-portal with
the KDE backend, on the private bus of a wayland_session.Session.

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


def _service_exec(name):
    """The program a D-Bus session service file starts."""
    path = "/usr/share/dbus-1/services/%s.service" % name
    with open(path) as f:
        for line in f:
            if line.startswith("Exec="):
                return line[len("Exec="):].split()[0]
    raise Failure("no Exec= in " + path)


class KwinSession(Session):
    def __init__(self, fakeinput, portal=True, size=(1280, 800)):
        super().__init__(size)
        self.portal = portal
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
