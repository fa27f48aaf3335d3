# SPDX-License-Identifier: GPL-3.0-or-later
"""One small driver per desktop for the shelf's story (shelf_story.py): how Vantry starts
there, how the tray icon is clicked and keys pressed, and where the shelf and the preview
show (a box: x, y, width, height), read from the X server, a screenshot or the compositor.

What a desktop cannot do is None: activate (no tray), hide (as activate), focused (no way to ask who has the
keyboard), listed (no window list to read), focus_elsewhere (nothing takes the focus).
"""
import contextlib
import glob
import json
import os
import re
import subprocess
import sys
import time

import instance
from instance import Failure, hidden, run, shown, visible_windows, wait_for

SHELF = {"notes.txt": "Shopping\n- bread\n- coffee\n", "report.txt": ""}, ("Projects",)
BACKGROUND = (0x20, 0x40, 0x60)  # sway's and weston's


class Desktop:
    name = ""
    size = (1280, 800)
    top = 0  # where the work area starts
    tray = True
    places = True  # puts the shelf in the same place each time
    start_args = ()
    focused = listed = focus_elsewhere = press_preview = None
    hide = None  # how the tray hides the shelf, when not as activate shows it
    shortcut = None  # presses the global shortcut, as it comes out of the box
    env = None
    seen = None  # what the last look at the screen found, for failure reports

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        pass

    def start(self):
        instance.prepare_shelf(*SHELF)
        self.app = instance.start(*self.start_args, env=self.env)
        return self.app

    def launch(self, *args):
        """a launch"""
        instance.launch(*args, env=self.env)

    def status(self):
        return instance.status()

    def misplaced(self, box, state):
        return None

    def more(self, app):
        pass

    def log(self):
        return instance.log_text()

    def protocol_faults(self):
        return []

    def report(self):
        print("--- vantry log ---\n" + self.log())


class X11(Desktop):
    name = "X11 with openbox and trayer"

    def look(self):
        shelves = visible_windows(self.app.pid, "Vantry Shelf")
        others = [w for w in visible_windows(self.app.pid) if w not in shelves]
        self.seen = [[b for b in map(instance.geometry, ws) if b] for ws in (shelves, others)]
        return next(iter(self.seen[0]), None), next((b for b in self.seen[1] if b[2] == 380), None)

    def focused(self):
        return instance.has_focus(self.app.pid, "Vantry Shelf")

    def keys(self, *names):
        run("xdotool", "key", *names)

    def icon(self):
        """The icon's centre, once it is embedded in trayer's panel."""
        def embedded():
            x, y, w, h = (int(v) for v in self.status()["icon"].split(","))
            for panel in run("xdotool", "search", "--onlyvisible", "--class", "trayer").split():
                px, py, pw, ph = instance.geometry(panel) or (0, 0, 0, 0)
                if px <= x < px + pw and py <= y < py + ph:
                    return x + w // 2, y + h // 2, y + h
        return wait_for("the icon in trayer's panel", embedded)

    def activate(self):
        """a click on the tray icon"""
        cx, cy, _ = self.icon()
        instance.click(cx, cy)

    def misplaced(self, box, state):
        cx, _, bottom = self.icon()
        if not (bottom <= box[1] <= bottom + 8 and box[0] <= cx <= box[0] + box[2]):
            return "not under the icon at %s" % state["icon"]
        # The icon is at the panel's right end: the shelf meets the screen's right edge, and
        # the preview must go left.
        if box[0] + box[2] != self.size[0]:
            return "not flush with the screen's right edge"

    @contextlib.contextmanager
    def focus_elsewhere(self):
        other = subprocess.Popen(["xmessage", "-geometry", "+100+500", "elsewhere"])
        try:
            wait_for("another window", lambda: run("xdotool", "search", "--onlyvisible",
                                                   "--name", "xmessage").split())
            instance.click(140, 520)
            yield
        finally:
            instance.end(other)

    def clicks(self):
        log = self.log()
        return log.count("tray click") + log.count("tray double click")

    def more(self, app):
        # A double click (how GNOME's AppIndicator extension opens the shelf) leaves it
        # open, whether it was closed or open before.
        cx, cy, _ = self.icon()
        for before in ("closed", "open"):
            clicks = self.clicks()
            # Lower than the single clicks, so that none of them pairs with its first press.
            run("xdotool", "mousemove", str(cx), str(cy + 7), "click", "--repeat", "2",
                "--delay", "60", "1")
            wait_for("both presses of the double click", lambda: self.clicks() >= clicks + 2)
            wait_for("the shelf after a double click on it %s" % before,
                     lambda: shown(self.status()))
        # An item dragged out of the shelf reaches another program as a copy, the only action
        # offered, so the file stays. The other window takes the focus from the shelf: a
        # launch shows it again.
        dropped = os.path.join(os.environ["HOME"], "dropped.txt")
        open(dropped, "w").close()
        target = subprocess.Popen(["/usr/bin/python3", "-c", DROP_TARGET, dropped],
                                  env=dict(os.environ, GDK_BACKEND="x11"))
        try:
            tx, ty, tw, th = wait_for("the drop target", lambda: next(filter(None, map(
                instance.geometry, run("xdotool", "search", "--onlyvisible", "--name",
                                       "Drop Target").split())), None))
            wait_for("the drop target to take the focus", lambda: hidden(self.status()))
            self.launch()
            x, y, w, _ = wait_for("the shelf", lambda: self.look()[0])
            # From the first row, under the folder field and the Items label.
            run("xdotool", "mousemove", str(x + w // 3), str(y + 115), "mousedown", "1",
                "sleep", "0.3", "mousemove", str(x + w // 3 + 20), str(y + 119), "sleep", "0.3",
                "mousemove", str(tx + tw // 2), str(ty + th // 2), "sleep", "0.5", "mouseup", "1")
            wait_for("notes.txt dropped into another program as a copy",
                     lambda: open(dropped).read().endswith("/Shelf/notes.txt copy of copy"))
        finally:
            instance.end(target)


class BareX11(X11):
    """No window manager: nothing gives a new window the focus, the shelf has to ask."""
    name = "X11 without a window manager"
    tray = False
    start_args = ("--background",)
    focus_elsewhere = None
    more = Desktop.more

    def activate(self):
        """the global shortcut"""
        run("xdotool", "key", "--clearmodifiers", "ctrl+super+s")

    def misplaced(self, box, state):
        if run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK").find("window id") >= 0:
            return "a window manager runs; this desktop has none"


class Wayland(Desktop):
    """A compositor in a private session (wayland_session.py); Vantry runs as its user."""
    session_class = None
    vantry_env = {}

    def __enter__(self):
        import wayland_session
        self.session = (self.session_class or wayland_session.Session)(size=self.size)
        self.session.__enter__()
        self.compositor(self.session)
        return self

    def __exit__(self, *exc):
        self.session.stop()

    def report(self):
        self.session.dump()

    def start(self):
        s = self.session
        instance.prepare_shelf(*SHELF, home=s.home, config=os.path.join(s.home, ".config"))
        self.vantry = s.install(instance.VANTRY)
        s._chown_tree()
        # The protocol trace, read when Vantry has ended (protocol_faults).
        self.env = s.env(**instance.DEBUG, WAYLAND_DEBUG="1", **self.vantry_env)
        self.app = s.background("vantry", [self.vantry, *self.start_args], env=self.env)
        return self.app

    def launch(self, *args):
        """a launch"""
        self.session.run([self.vantry, *args], env=self.env)

    def status(self):
        return instance.status(os.path.join(self.session.runtime, "app.vantry.Vantry.socket"),
                               (self.session.uid, self.session.gid))

    def log(self):
        return self.session.log("vantry")

    def protocol_faults(self):
        import wayland_trace
        return wayland_trace.roles_outliving_surfaces(self.log())

    def compositor(self, session):
        pass

    def control(self, name, *press):
        """Where the control called name shows, from the accessibility bus, or None; with
        "press", pressed first."""
        return json.loads(self.session.run(["/usr/bin/python3", "-c", CONTROL, str(self.app.pid),
                                            name, *press]) or "null")


class Sway(Wayland):
    """Sway (wlroots, headless) with waybar as the StatusNotifierItem tray, and the
    accessibility bus."""
    name = "sway with waybar"
    top = 26  # waybar's height
    CONFIG = ("output HEADLESS-1 resolution 1280x800 bg #204060 solid_color\n"
              "default_border none\nbar {\n  swaybar_command waybar\n}\n")

    def compositor(self, s):
        s.write(".config/waybar/config", json.dumps({
            "layer": "top", "position": "top", "height": self.top, "modules-left": [],
            "modules-center": [], "modules-right": ["tray"], "tray": {"icon-size": 18}}))
        s._compositor("sway", ["sway", "--config", s.write(".config/sway.conf", self.CONFIG)],
                      s.env(WLR_BACKENDS="headless", WLR_RENDERER="pixman",
                            WLR_LIBINPUT_NO_DEVICES="1", XDG_CURRENT_DESKTOP="sway"))
        self.ipc = s.wait_for("sway's IPC socket", lambda: glob.glob(
            os.path.join(s.runtime, "sway-ipc.*.sock")))[0]
        # The headless output has no keyboard of its own: one that stays, for the focus,
        # beside those wtype makes for each key.
        s.background("keyboard", ["wtype", "-s", "600000"])
        # The accessibility bus, before Vantry starts: Qt looks for it once.
        s.background("a11y", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately",
                              "--a11y=1"])
        s.wait_for("the accessibility bus", lambda: s.has_name("org.a11y.Bus"))
        s.wait_for("waybar's tray",
                   lambda: "true" in self.tray_host("IsStatusNotifierHostRegistered"))

    def tray_host(self, prop):
        """A property of waybar's StatusNotifierWatcher, as dbus-send prints it."""
        return self.session.run([
            "dbus-send", "--session", "--print-reply", "--dest=org.kde.StatusNotifierWatcher",
            "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties.Get",
            "string:org.kde.StatusNotifierWatcher", "string:" + prop], check=False)

    def registered(self):
        """The items in waybar's tray."""
        return re.findall(r'string "([^"]+)"', self.tray_host("RegisteredStatusNotifierItems"))

    def start(self):
        app = super().start()
        wait_for("the item in waybar's tray", self.registered, timeout=30)
        return app

    def activate(self):
        """what a click on the icon in waybar does (Activate)"""
        service, _, path = self.registered()[0].partition("/")
        self.session.run(["dbus-send", "--session", "--print-reply", "--dest=" + service,
                          "/" + (path or "StatusNotifierItem"),
                          "org.kde.StatusNotifierItem.Activate", "int32:1200", "int32:10"])

    def keys(self, *names):
        for name in names:
            self.session.run(["wtype", "-k", name])

    def press_preview(self):
        """the Preview button pressed through the accessibility bus"""
        if not self.control("Preview", "press"):
            raise Failure("no Preview button on the accessibility bus")

    def look(self):
        # Read from a screenshot: the shelf is at the screen's right edge, the preview left
        # of it.
        s = self.session
        ppm = subprocess.run(["grim", "-t", "ppm", "-"], env=s.env(), capture_output=True,
                             timeout=20, **s._as_user()).stdout
        _, size, _, pixels = ppm.split(b"\n", 3)
        self.seen = regions(*map(int, size.split()), pixels, BACKGROUND, top=self.top)
        return next((b for b in self.seen if b[0] + b[2] == self.size[0]), None), \
            next((b for b in self.seen if b[0] + b[2] != self.size[0]), None)

    def misplaced(self, box, state):
        if box[:2] != (self.size[0] - box[2], self.top) or box[2] >= self.size[0] // 2:
            return "not at its own size in the top right corner, under the bar"

    def listed(self):
        # Sway's tree holds every window, tiled or floating, and no layer surface.
        return re.findall(r'"pid":\s*(\d+)', self.session.run(
            ["swaymsg", "-s", self.ipc, "-r", "-t", "get_tree"]))


class Weston(Wayland):
    """Weston's desktop shell: no layer shell and no tray. It runs on the test's X display,
    so keys typed there reach its clients; its debug scene graph tells where surfaces are."""
    name = "weston"
    tray = False
    places = False
    start_args = ("--background",)
    activate = None
    INI = "[core]\nidle-time=0\n[shell]\nbackground-color=0xff204060\npanel-position=none\n"

    def compositor(self, s):
        # Its x11 backend, so that xdotool's keys reach it.
        subprocess.run(["xhost", "+si:localuser:" + s.user], capture_output=True, check=True)
        s._compositor("weston", [
            "weston", "--backend=x11-backend.so", "--use-pixman", "--debug",
            "--socket=" + s.socket, "--width=%d" % self.size[0], "--height=%d" % self.size[1],
            "--config=" + s.write(".config/weston.ini", self.INI)],
            s.env(DISPLAY=os.environ["DISPLAY"], XDG_CURRENT_DESKTOP="weston"))
        # Keys go where the X focus is: weston's window, the only one on this display.
        weston = wait_for("weston's window", lambda: next(
            (line.split()[0] for line in run("xwininfo", "-root", "-children").splitlines()
             if "Weston Compositor" in line), None))
        subprocess.run(["xdotool", "windowfocus", "--sync", weston], check=True, timeout=20)

    def look(self):
        # Our surfaces in weston's debug scene graph, as (role, box). One weston knows of but
        # has not laid out yet shows as 0x0 at the origin.
        self.seen = []
        for view in self.session.run(["weston-debug", "scene-graph"]).split("View ")[1:]:
            who = re.search(r"role (\w+), PID (\d+)", view)
            where = re.search(r"position: \((-?\d+), (-?\d+)\) -> \((-?\d+), (-?\d+)\)", view)
            if who and where and int(who[2]) == self.app.pid:
                x, y, right, bottom = map(int, where.groups())
                if right > x:
                    self.seen.append((who[1], (x, y, right - x, bottom - y)))
        return tuple(next((box for r, box in self.seen if r == role), None)
                     for role in ("xdg_toplevel", "xdg_popup"))

    def keys(self, *names):
        run("xdotool", "key", *names)

    @contextlib.contextmanager
    def focus_elsewhere(self):
        other = self.session.popen(["weston-simple-shm"])
        try:
            yield
        finally:
            instance.end(other)


class Kwin(Wayland):
    """KDE Plasma: KWin on a virtual screen with plasmashell as the panel and tray. Windows,
    the active one and the work area come from a KWin script, keys and clicks from fake
    input, the tray icon's place from screenshots."""
    name = "KDE Plasma"
    KEYS = {"Escape": 1, "space": 57, "Down": 108}

    def __init__(self, fakeinput):
        from kwin_session import KwinSession
        self.fakeinput = fakeinput
        self.session_class = lambda size: KwinSession(fakeinput, portal=False, size=size,
                                                      plasma=True)
        # What KWin scripts print reaches KWin's log only with its scripting category on.
        os.environ["QT_LOGGING_RULES"] = "kwin_scripting.debug=true"
        # The fake input tool exits without freeing its connection: only vantry is checked
        # for leaks, with the sanitizer options the test was given.
        asan = os.environ.get("ASAN_OPTIONS")
        if asan:
            self.vantry_env = {"ASAN_OPTIONS": asan}
            os.environ["ASAN_OPTIONS"] = asan + ":detect_leaks=0"

    def start(self):
        self.panel_height = self.size[1] - wait_for(
            "plasma's panel", lambda: (a := self.work_area())[3] < self.size[1] and a, 60)[3]
        panel = self.settled_panel()
        app = super().start()
        wait_for("vantry's tray icon", lambda: (s := self.status()) and s["tray"] == "1", 30)
        # The icon is what changed in the panel, the leftmost change (the clock may tick).
        now = wait_for("the icon in the panel", lambda: (p := self.settled_panel()) != panel
                       and p)
        columns = [x for x in range(self.size[0]) if any(
            row[x * 4:x * 4 + 4] != old[x * 4:x * 4 + 4] for row, old in zip(now, panel))]
        ends = [x for x, after in zip(columns, columns[1:] + [1 << 20]) if after - x > 8]
        self.icon = ((columns[0] + ends[0]) // 2, self.size[1] - self.panel_height // 2)
        return app

    def settled_panel(self):
        """The panel's rows once two screenshots in a row agree."""
        last = None
        while True:
            rows = self.session.screenshot()[2][self.size[1] - self.panel_height:]
            if rows == last:
                return rows
            last = rows
            time.sleep(0.3)

    def activate(self):
        """a click on the tray icon"""
        self.session.run([self.fakeinput, "click", str(self.icon[0]), str(self.icon[1])])

    def work_area(self):
        return tuple(w["area"] for w in self.windows() if "area" in w)[0]

    def misplaced(self, box, state):
        x, y, w, h = box
        ax, ay, aw, ah = self.work_area()
        if x < ax or y < ay or x + w > ax + aw or y + h > ay + ah:
            return "not inside the work area %s" % ((ax, ay, aw, ah),)
        ix, iy = self.icon
        if max(x - ix, ix - x - w, 0) > 100 or max(y - iy, iy - y - h, 0) > 100:
            return "more than 100 px from the icon at %s" % (self.icon,)

    def keys(self, *names):
        for name in names:
            self.session.keys(self.KEYS[name])

    def listed(self):
        # KWin lists layer surfaces and popups too, but task managers show only normal
        # windows that do not skip the task bar.
        return [w for w in self.windows() if w.get("pid") == self.app.pid and w["normal"]
                and not w["skipTaskbar"] and not w["popup"]]

    focus_elsewhere = Weston.focus_elsewhere

    def focused(self):
        return any(w["active"] and not w["popup"] for w in self.windows()
                   if w.get("pid") == self.app.pid)

    def look(self):
        self.seen = [w for w in self.windows() if w.get("pid") == self.app.pid]
        return tuple(next((tuple(w["g"]) for w in self.seen if w["popup"] == popup), None)
                     for popup in (False, True))

    def windows(self):
        """The windows KWin manages, as dicts, through a script that prints them."""
        s = self.session
        script = s.write("windows.js", WINDOWS)
        name = "vantrywindows%d" % time.monotonic_ns()
        before = len(s.log("kwin"))
        call = ["dbus-send", "--session", "--print-reply", "--dest=org.kde.KWin", "/Scripting"]
        s.run(call + ["org.kde.kwin.Scripting.loadScript", "string:" + script, "string:" + name])
        s.run(call + ["org.kde.kwin.Scripting.start"])
        lines = wait_for("the window list", lambda: "@@MARK@@end" in s.log("kwin")[before:]
                         and s.log("kwin")[before:].splitlines())
        s.run(call + ["org.kde.kwin.Scripting.unloadScript", "string:" + name], check=False)
        return [json.loads(line.split("@@MARK@@", 1)[1]) for line in lines if "@@MARK@@{" in line]


class Gnome(Wayland):
    """GNOME Shell, headless (gnome_session.py), with the AppIndicator extension as the tray:
    a click on the icon opens its menu, a double click activates it. Vantry runs as a user
    starts it, with the shell's XWayland display at hand. Input is real, through the
    shell's virtual devices; windows are the shell's own list."""
    name = "GNOME Shell"
    KEYS = {"Escape": 1, "space": 57, "Down": 108}

    def __init__(self):
        from gnome_session import GnomeSession
        self.session_class = GnomeSession
        self.vantry_env = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}

    def compositor(self, s):
        self.top = s.wait_for("the top bar in the work area", lambda: s.eval(
            "Main.layoutManager.getWorkAreaForMonitor(0).y"))
        self.vantry_env.update(s.xwayland())

    def keys(self, *names):
        for name in names:
            self.session.keys(self.KEYS[name])

    def icon(self):
        return wait_for("the icon in the top bar", lambda: next(iter(self.session.tray()), None))

    def menu(self):
        """The entries of the open menu of our icon: label and centre."""
        return self.session.eval("""Object.entries(Main.panel.statusArea)
            .filter(([k, b]) => k.startsWith("appindicator") && b.menu.isOpen)
            .flatMap(([k, b]) => b.menu._getMenuItems()).filter(i => i.label).map(i => {
                const [x, y] = i.get_transformed_position(), [w, h] = i.get_transformed_size();
                return [i.label.text, Math.round(x + w / 2), Math.round(y + h / 2)]; })""")

    def activate(self):
        """a click on the tray icon and the menu's first entry"""
        self.session.click(*self.icon())
        # Once it stopped moving: the menu slides in as it opens.
        label, x, y = wait_for("the icon's menu", lambda: (m := self.menu()) and m == self.menu()
                               and m[0])
        if not label.startswith("Show Shelf"):
            raise Failure("the menu's first entry is %r, not Show Shelf" % label)
        self.session.click(x, y)

    def ours(self):
        return [w for w in self.session.windows() if w["pid"] == self.app.pid]

    def look(self):
        self.seen = self.ours()
        return (next((tuple(w["g"]) for w in self.seen if w["title"] == "Vantry Shelf"), None),
                next((tuple(w["g"]) for w in self.seen if w["title"] != "Vantry Shelf"), None))

    def focused(self):
        return any(w["focus"] and w["title"] == "Vantry Shelf" for w in self.ours())

    def listed(self):
        return [w for w in self.ours() if not w["skip"]]

    def misplaced(self, box, state):
        x, y = self.icon()
        if box[1] != self.top or not box[0] - 100 <= x <= box[0] + box[2] + 100:
            return "not under the icon at %d,%d, below the top bar" % (x, y)

    focus_elsewhere = Weston.focus_elsewhere

    def hide(self):
        """a double click on the tray icon (Activate)"""
        self.session.click(*self.icon(), count=2)

    def shortcut(self):
        """Ctrl+Super+S"""
        self.session.keys(29, 125, 31)

    def more(self, app):
        # The icon stands out from the black bar (recoloured by the host, also when Vantry
        # runs from the build tree, where the icon theme lacks it).
        x, y = self.icon()
        colours = self.session.pixels((x - 12, y - 12, 24, 24))
        ink = max(contrast(c, colours[0]) for c in colours)
        if ink < 3:
            raise Failure("the tray icon's contrast with the top bar is %.1f:1" % ink)
        # GNOME's own shortcuts hold ours, and the user was told where, in a notification.
        wait_for("the notice of the shortcut", lambda: any(
            "Custom Shortcuts" in text for text in self.session.eval(
                "Main.messageTray.getSources().flatMap(s => s.notifications)"
                ".map(n => n.bannerBodyText)")))
        # Activate places the shelf under the point the host names, wherever that is.
        self.session.eval("Object.entries(Main.panel.statusArea).filter(([k]) => k.startsWith("
                          "'appindicator')).forEach(([, b]) => b._indicator.open(400, 30, 0))")
        wait_for("the shelf under the point Activate names, 400,30",
                 lambda: (b := self.look()[0]) and abs(b[0] + b[2] // 2 - 400) <= 2)
        self.hide()
        wait_for("a double click to hide the shelf", lambda: hidden(self.status()))
        # An item dragged out of the shelf reaches a native Wayland program.
        s = self.session
        dropped = s.write("dropped.txt", "")
        os.chmod(dropped, 0o666)
        s.background("drop-target", ["/usr/bin/python3", "-c", DROP_TARGET, dropped],
                     env=s.env(GDK_BACKEND="wayland"))
        # Once it has the focus: a window taking it later would close the menu below.
        target = wait_for("the drop target", lambda: next(
            (w["g"] for w in self.session.windows() if w["title"] == "Drop Target"
             and w["g"][2] > 100 and w["focus"]), None))
        # Activate shows the shelf too, by the icon. (Right after the shelf lost the focus, a
        # click counts as the one that closed it: the menu shows it first, a double click
        # hides it.)
        self.activate()
        wait_for("the shelf from the menu", lambda: shown(self.status()))
        self.hide()
        wait_for("a double click to hide the shelf", lambda: hidden(self.status()))
        self.hide()
        box = wait_for("the shelf after a double click", lambda: self.look()[0])
        wrong = self.misplaced(box, None)
        if wrong:
            raise Failure("the shelf %s after a double click: %s" % (box, wrong))
        # The Preview button, clicked, shows the preview beside the shelf, which keeps the
        # keyboard.
        from shelf_story import beside
        wait_for("the keyboard on the shelf", self.focused)
        self.keys("Down")
        self.session.click(*wait_for("the Preview button", lambda: self.control("Preview")))
        wait_for("the preview from its button beside the shelf",
                 lambda: (p := self.look()[1]) and beside(p, box, self.top))
        wait_for("the keyboard on the shelf with the preview", self.focused)
        self.session.drag(self.control("notes.txt"), (target[0] + 200, target[1] + 150))
        # Copied: mutter offers every action for a drag that comes from XWayland.
        wait_for("notes.txt dropped into the Wayland program",
                 lambda: "/Shelf/notes.txt copy of " in open(dropped).read())


WINDOWS = """
var cs = workspace.clientList();
for (var i = 0; i < cs.length; i++)
    print("@@MARK@@" + JSON.stringify({"pid": cs[i].pid, "normal": cs[i].normalWindow,
        "skipTaskbar": cs[i].skipTaskbar, "popup": cs[i].popupWindow, "active": cs[i].active,
        "g": [cs[i].frameGeometry.x, cs[i].frameGeometry.y, cs[i].frameGeometry.width,
              cs[i].frameGeometry.height]}));
var a = workspace.clientArea(KWin.PlacementArea, 0, 1);
print("@@MARK@@" + JSON.stringify({"area": [a.x, a.y, a.width, a.height]}));
print("@@MARK@@end");
"""

# A window of another program taking dropped files, as a file manager does: it writes the
# URIs it is given, the action chosen and those offered ("… copy of copy+move") to argv[1].
DROP_TARGET = """
import sys, gi
gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, Gtk
window = Gtk.Window(title="Drop Target")
window.set_default_size(400, 300)
window.drag_dest_set(Gtk.DestDefaults.ALL, [Gtk.TargetEntry.new("text/uri-list", 0, 0)],
                     Gdk.DragAction.COPY | Gdk.DragAction.MOVE)
window.connect("drag-data-received", lambda w, c, x, y, data, i, t: open(sys.argv[1], "a").write(
    " ".join(data.get_uris()) + " %s of %s" % (c.get_selected_action().first_value_nick,
                                               "+".join(c.get_actions().value_nicks))))
window.show_all()
Gtk.main()
"""

# The showing control called argv[2] in process argv[1], on the accessibility bus: its
# centre on the screen as JSON (null when there is none), after pressing it as a screen
# reader does when argv[3] is "press".
CONTROL = """
import json, sys, gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi
def find(node, depth=0):
    if node.get_name() == sys.argv[2] and node.get_state_set().contains(Atspi.StateType.SHOWING):
        return node
    for i in range(node.get_child_count() if depth < 20 else 0):
        found = find(node.get_child_at_index(i), depth + 1)
        if found:
            return found
desktop = Atspi.get_desktop(0)
apps = [desktop.get_child_at_index(i) for i in range(desktop.get_child_count())]
node = next((find(a) for a in apps if a.get_process_id() == int(sys.argv[1])), None)
if node and sys.argv[3:] == ["press"]:
    node.get_action_iface().do_action(0)
e = node and node.get_extents(Atspi.CoordType.SCREEN)
print(json.dumps(e and [e.x + e.width // 2, e.y + e.height // 2]))
"""

DRIVERS = {"x11_openbox": X11, "x11_nowm": BareX11, "sway": Sway, "weston": Weston, "kwin": Kwin,
           "gnome": Gnome}


def run_story(desktop, story, *args):
    """Tells story on desktop; prints PASS, or the failure with Vantry's and the desktop's
    logs."""
    driver = DRIVERS[desktop](*args)
    try:
        with driver:
            try:
                story(driver)
            except Failure:
                driver.report()
                print("last seen on screen:", driver.seen)
                raise
    except Failure as e:
        print("FAIL:", e)
        sys.exit(1)
    print("PASS")


def contrast(a, b):
    """The contrast ratio of two RGB colours by relative luminance (1 to 21)."""
    def luminance(rgb):
        c = [v / 255 for v in rgb]
        c = [v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4 for v in c]
        return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2]
    high, low = sorted((luminance(a), luminance(b)), reverse=True)
    return (high + 0.05) / (low + 0.05)


def regions(width, height, rgb, background, top=0):
    """Boxes (x, y, width, height) of what differs from the background colour in an RGB
    picture below row top: one box per run of columns that hold anything, left to right."""
    bg = bytes(background)
    rows = [rgb[y * width * 3:(y + 1) * width * 3] for y in range(top, height)]
    # Every row XORed with an empty one, ORed together: the columns that hold anything.
    empty = int.from_bytes(bg * width, "big")
    used = 0
    for row in rows:
        used |= int.from_bytes(row, "big") ^ empty
    used = used.to_bytes(width * 3, "big")
    boxes, x = [], 0
    while x < width:
        start = x
        while x < width and used[x * 3:x * 3 + 3] != b"\0\0\0":
            x += 1
        if x == start:
            x += 1
            continue
        ys = [y for y, row in enumerate(rows, top) if row[start * 3:x * 3] != bg * (x - start)]
        boxes.append((start, ys[0], x - start, ys[-1] - ys[0] + 1))
    return boxes
