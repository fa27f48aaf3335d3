# SPDX-License-Identifier: GPL-3.0-or-later
"""A headless GNOME Shell session for end-to-end tests: mutter's headless backend on a
virtual monitor, with XWayland, the AppIndicator extension as the StatusNotifierItem tray,
on the private bus of a wayland_session.Session.

What this machine taught us:
- gnome-shell needs org.freedesktop.login1 on the system bus, or its UI never loads. A
  private bus of the session's own stands in for the system bus, with python3-dbusmock's
  logind on it.
- Shell.Eval and Shell.Screenshot answer only in unsafe mode: a small extension of ours,
  written before the shell starts, turns it on. It also gives real pointer and key events
  through Clutter virtual devices (mutter's headless backend has no input devices), which
  take the same path as a mouse's or keyboard's: grabs, focus, the shell's own bindings.
- Settings (the enabled extensions) live in dconf, which the bus starts on demand.
- The shell opens the overview when its start-up is over; start() closes it after that.
"""
import json
import os
import shutil

from instance import Failure
from wayland_session import BUS_CONFIG, Session

PROBE = "vantry-probe@tests"
EXTENSIONS = ["appindicatorsupport@rgcjonas.gmail.com", "ubuntu-appindicators@ubuntu.com", PROBE]
PROBE_JS = """
const Clutter = imports.gi.Clutter;
function init() {}
function enable() {
    global.context.unsafe_mode = true;
    const seat = Clutter.get_default_backend().get_default_seat();
    const pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
    const keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
    const now = () => imports.gi.GLib.get_monotonic_time();
    // count presses of button at x, y; a double click's presses 60 ms apart
    global._vantryClick = (x, y, button, count) => {
        const t = now();
        pointer.notify_absolute_motion(t, x, y);
        for (let i = 0; i < count; i++) {
            pointer.notify_button(t + 1000 + i * 60000, button, Clutter.ButtonState.PRESSED);
            pointer.notify_button(t + 2000 + i * 60000, button, Clutter.ButtonState.RELEASED);
        }
    };
    // a drag from x0, y0 to x1, y1, in steps 40 ms apart
    global._vantryDrag = (x0, y0, x1, y1) => {
        pointer.notify_absolute_motion(now(), x0, y0);
        pointer.notify_button(now(), 1, Clutter.ButtonState.PRESSED);
        let step = 0;
        imports.gi.GLib.timeout_add(imports.gi.GLib.PRIORITY_DEFAULT, 40, () => {
            const f = Math.min(++step, 30) / 30;
            pointer.notify_absolute_motion(now(), x0 + (x1 - x0) * f, y0 + (y1 - y0) * f);
            if (step < 40)
                return true;
            pointer.notify_button(now(), 1, Clutter.ButtonState.RELEASED);
            return false;
        });
    };
    // evdev codes: pressed in order, released in reverse
    global._vantryKeys = codes => {
        let t = now();
        for (const c of codes)
            keyboard.notify_key(t += 1000, c, Clutter.KeyState.PRESSED);
        for (const c of codes.slice().reverse())
            keyboard.notify_key(t += 1000, c, Clutter.KeyState.RELEASED);
    };
}
function disable() {}
"""
EVAL = """
import json, sys, dbus
shell = dbus.SessionBus().get_object("org.gnome.Shell", "/org/gnome/Shell")
try:
    print(json.dumps(shell.Eval(sys.argv[1], dbus_interface="org.gnome.Shell")))
except dbus.DBusException as e:
    print(json.dumps([False, str(e)]))
"""
# Every window the shell manages: its process, title, frame and whether it has the focus.
WINDOWS = """global.get_window_actors().map(a => a.meta_window).map(w => {
    const r = w.get_frame_rect();
    return {pid: w.get_pid(), title: w.get_title(), g: [r.x, r.y, r.width, r.height],
            focus: w.has_focus(), skip: w.skip_taskbar, x11: w.get_client_type() == 1};
})"""
# The AppIndicator icons in the top bar, once their menus are loaded: their centres.
TRAY = """Object.entries(Main.panel.statusArea)
    .filter(([k, b]) => k.startsWith("appindicator") && b.menu.numMenuItems).map(([k, b]) => {
        const [x, y] = b.get_transformed_position(), [w, h] = b.get_transformed_size();
        return [Math.round(x + w / 2), Math.round(y + h / 2)]; })"""


class GnomeSession(Session):
    socket = "wayland-0"

    def env(self, **extra):
        # As a GNOME session has it: no Qt platform chosen, and only GNOME's own portal
        # backends (the portal would fall back to any other installed one).
        env = super().env(**dict(dict(
            XDG_CURRENT_DESKTOP="GNOME", XDG_SESSION_DESKTOP="gnome", XDG_SESSION_TYPE="wayland",
            DESKTOP_SESSION="gnome", DBUS_SYSTEM_BUS_ADDRESS="unix:path=%s/system_bus" %
            self.runtime, XDG_DESKTOP_PORTAL_DIR=os.path.join(self.dir, "portals")), **extra))
        env.pop("QT_QPA_PLATFORM")
        return env

    def start(self):
        super().start(activation=True)
        system = self.write("system.conf", BUS_CONFIG % (
            self.env()["DBUS_SYSTEM_BUS_ADDRESS"], ""))
        self.write(".local/share/gnome-shell/extensions/%s/metadata.json" % PROBE, json.dumps(
            {"uuid": PROBE, "name": "vantry probe", "description": "test access",
             "shell-version": ["42", "43", "44"]}))
        self.write(".local/share/gnome-shell/extensions/%s/extension.js" % PROBE, PROBE_JS)
        os.makedirs(os.path.join(self.dir, "portals"))
        for backend in ("gnome", "gtk"):
            shutil.copy("/usr/share/xdg-desktop-portal/portals/%s.portal" % backend,
                        os.path.join(self.dir, "portals"))
        self._chown_tree()
        self.background("system-bus", ["dbus-daemon", "--config-file=" + system, "--nofork",
                                       "--nopidfile"])
        self.wait_for("the system bus", lambda: os.path.exists(
            os.path.join(self.runtime, "system_bus")))
        self.background("logind", ["/usr/bin/python3", "-m", "dbusmock", "--system",
                                   "--template", "logind"])
        self.run(["gsettings", "set", "org.gnome.shell", "disable-user-extensions", "false"])
        self.run(["gsettings", "set", "org.gnome.shell", "enabled-extensions",
                  str(EXTENSIONS)])
        self.run(["gsettings", "set", "org.gnome.shell", "welcome-dialog-last-shown-version",
                  "'999'"])
        self._compositor("gnome-shell", [
            "gnome-shell", "--headless", "--wayland", "--virtual-monitor",
            "%dx%d" % self.size], self.env())
        self.wait_for("the shell's unsafe mode",
                      lambda: self.eval("global.context.unsafe_mode", check=False),
                      90)
        self.wait_for("the tray", lambda: self.has_name("org.kde.StatusNotifierWatcher"), 30)
        # The shell opens the overview when its start-up is over: closed after that, and
        # asked again until it holds.
        self.wait_for("the overview to close", lambda: self.eval(
            "!Main.layoutManager._startingUp && (Main.overview.hide(), !Main.overview.visible)"
            " && !Main.overview.animationInProgress"), 60)
        # GNOME's custom keyboard shortcuts: the settings daemon grabs them from the shell.
        self.background("media-keys", ["/usr/libexec/gsd-media-keys"])
        self.wait_for("gsd-media-keys",
                      lambda: self.has_name("org.gnome.SettingsDaemon.MediaKeys"), 30)
        # Notifications reach the shell through a helper it starts (gjs); a notification
        # sent before that would activate any other server installed, or none.
        self.wait_for("the shell's notification service",
                      lambda: self.has_name("org.freedesktop.Notifications"), 30)
        return self

    def eval(self, js, check=True):
        """What JavaScript js evaluates to in the shell (through JSON)."""
        out = self.run(["/usr/bin/python3", "-c", EVAL, js], check=False).strip()
        ok, result = json.loads(out) if out else (False, "no answer")
        if not ok and check:
            raise Failure("Shell.Eval failed: %s\n%s" % (result, js))
        return json.loads(result) if ok and result else None

    def xwayland(self):
        """The XWayland display and its authority file, once the shell has them."""
        display, auth = self.eval('["DISPLAY", "XAUTHORITY"].map(k => imports.gi.GLib.getenv(k))')
        return display and {"DISPLAY": display, "XAUTHORITY": auth or ""}

    def windows(self):
        return self.eval(WINDOWS)

    def tray(self):
        return [tuple(p) for p in self.eval(TRAY)]

    def click(self, x, y, button=1, count=1):
        self.eval("global._vantryClick(%d, %d, %d, %d)" % (x, y, button, count))

    def drag(self, start, end):
        self.eval("global._vantryDrag(%d, %d, %d, %d)" % (*start, *end))

    def keys(self, *codes):
        self.eval("global._vantryKeys(%s)" % json.dumps(list(codes)))

    def screenshot(self, path, area=None):
        """The whole output, or area (x, y, width, height) of it, as a PNG file at path."""
        self.run(["gdbus", "call", "--session", "--dest", "org.gnome.Shell.Screenshot",
                  "--object-path", "/org/gnome/Shell/Screenshot", "--method",
                  "org.gnome.Shell.Screenshot." + ("ScreenshotArea" if area else "Screenshot"),
                  *(map(str, area) if area else ["false"]), "false", path])
        return path

    def pixels(self, area):
        """The RGB colours in area of the output, row by row."""
        import gi
        gi.require_version("GdkPixbuf", "2.0")
        from gi.repository import GdkPixbuf
        shot = GdkPixbuf.Pixbuf.new_from_file(self.screenshot(
            os.path.join(self.dir, "area.png"), area))
        data, step, n = shot.get_pixels(), shot.get_rowstride(), shot.get_n_channels()
        return [tuple(data[y * step + x * n:y * step + x * n + 3])
                for y in range(shot.get_height()) for x in range(shot.get_width())]
