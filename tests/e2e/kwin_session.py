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
- KWin refuses to run as root: as root, the session runs as an unprivileged user
  (created once, "vantry-kde"), in a directory of its own under /tmp.
- /usr/bin/kwin_wayland carries file capabilities, which a container without them
  in its bounding set refuses to exec: a plain copy (cp drops them) is run instead.
- xdg-desktop-portal-kde is a Qt 5 program: it needs the qtwayland5 plugin.
- KWin checks who may use fake input: KWIN_WAYLAND_NO_PERMISSION_CHECKS=1.
- PATH is reset to system directories the session user can enter, with our
  xdg-open stand-in first: it only records what it was asked to open.
"""
import os
import pwd
import shutil
import signal
import subprocess
import tempfile
import time

SESSION_USER = "vantry-kde"
SYSTEM_PATH = "/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin"
PYTHON = "/usr/bin/python3"  # the distribution's, which has python3-dbus


class SessionError(Exception):
    pass


def _service_exec(name):
    """The program a D-Bus session service file starts."""
    path = "/usr/share/dbus-1/services/%s.service" % name
    with open(path) as f:
        for line in f:
            if line.startswith("Exec="):
                return line[len("Exec="):].split()[0]
    raise SessionError("no Exec= in " + path)


def _session_user():
    if os.geteuid() != 0:
        entry = pwd.getpwuid(os.geteuid())
    else:
        try:
            entry = pwd.getpwnam(SESSION_USER)
        except KeyError:
            subprocess.run(["useradd", "--system", "--no-create-home", "--shell",
                            "/usr/sbin/nologin", SESSION_USER], check=True)
            entry = pwd.getpwnam(SESSION_USER)
    return entry.pw_uid, entry.pw_gid, entry.pw_name


class KwinSession:
    def __init__(self, fakeinput=None, portal=True, size=(1280, 800), timeout=30.0):
        self.uid, self.gid, self.user = _session_user()
        self.portal = portal
        self.size = size
        self.timeout = timeout
        self.dir = tempfile.mkdtemp(prefix="vantry-kde.", dir="/tmp")
        self.bin = os.path.join(self.dir, "bin")
        self.runtime = os.path.join(self.dir, "run")
        self.home = os.path.join(self.dir, "home")
        self.logs = os.path.join(self.dir, "logs")
        self.open_log = os.path.join(self.dir, "opened.log")
        self.socket = "wayland-vantry"
        self.bus = "unix:path=%s/bus" % self.runtime
        self.processes = []
        for d in (self.bin, self.runtime, self.home, self.logs,
                  os.path.join(self.home, ".config"), os.path.join(self.home, ".local/share"),
                  os.path.join(self.home, ".cache")):
            os.makedirs(d, exist_ok=True)
        os.chmod(self.dir, 0o755)
        os.chmod(self.runtime, 0o700)
        self.fakeinput = self.install(fakeinput) if fakeinput else None
        for opener in ("xdg-open", "kde-open5", "kde-open"):
            path = os.path.join(self.bin, opener)
            with open(path, "w") as f:
                f.write('#!/bin/sh\necho "$*" >> "%s"\n' % self.open_log)
            os.chmod(path, 0o755)

    # -- set-up and tear-down ------------------------------------------------

    def install(self, program, name=None):
        """A copy of program in the session's bin directory, which its user can run
        even when the build tree is out of its reach; returns the copy's path."""
        target = os.path.join(self.bin, name or os.path.basename(program))
        shutil.copy(program, target)  # copies no file capabilities
        os.chmod(target, 0o755)
        return target

    def env(self, **extra):
        env = {
            "HOME": self.home,
            "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "DBUS_SESSION_BUS_ADDRESS": self.bus,
            "WAYLAND_DISPLAY": self.socket,
            "XDG_CURRENT_DESKTOP": "KDE",
            "XDG_SESSION_DESKTOP": "KDE",
            "XDG_SESSION_TYPE": "wayland",
            "DESKTOP_SESSION": "plasmawayland",
            "KDE_FULL_SESSION": "true",
            "KDE_SESSION_VERSION": "5",
            "QT_QPA_PLATFORM": "wayland",
            "PATH": self.bin + ":" + SYSTEM_PATH,
            "LANG": "C.UTF-8",
            "USER": self.user,
            "LOGNAME": self.user,
        }
        # Sanitizer settings reach programs under test; their files must be readable.
        for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "QT_LOGGING_RULES"):
            if key in os.environ:
                env[key] = os.environ[key]
        if "LSAN_OPTIONS" in env:
            env["LSAN_OPTIONS"] = ":".join(self._readable_option(part)
                                           for part in env["LSAN_OPTIONS"].split(":"))
        env.update(extra)
        return env

    def _readable_option(self, option):
        """A sanitizer option naming a file, pointed at a copy the session user can read."""
        key, _, value = option.partition("=")
        if key != "suppressions" or not os.path.isfile(value):
            return option
        copy = os.path.join(self.dir, "lsan-" + os.path.basename(value))
        if not os.path.exists(copy):
            shutil.copy(value, copy)
            os.chmod(copy, 0o644)
        return key + "=" + copy

    def _chown_tree(self):
        for root, dirs, files in os.walk(self.dir):
            for name in [root] + [os.path.join(root, n) for n in dirs + files]:
                os.lchown(name, self.uid, self.gid)

    def popen(self, args, log=None, env=None, **kwargs):
        """Starts args as the session user; output goes to log (a path) or is kept."""
        out = open(log, "w") if log else subprocess.DEVNULL
        as_user = {} if os.geteuid() != 0 else {"user": self.uid, "group": self.gid,
                                                 "extra_groups": []}
        process = subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, env=env or self.env(),
                                   cwd=self.home, start_new_session=True, **as_user, **kwargs)
        if log:
            out.close()
        return process

    def run(self, args, env=None, check=True, timeout=None):
        """Runs args as the session user and returns its standard output."""
        as_user = {} if os.geteuid() != 0 else {"user": self.uid, "group": self.gid,
                                                 "extra_groups": []}
        result = subprocess.run(args, capture_output=True, text=True, env=env or self.env(),
                                cwd=self.home, timeout=timeout or self.timeout, **as_user)
        if check and result.returncode != 0:
            raise SessionError("%s failed (%d): %s" % (args[0], result.returncode,
                                                       result.stderr.strip()))
        return result.stdout

    def python(self, code, *args):
        """Runs Python code (with the dbus module) in the session; returns its output."""
        return self.run([PYTHON, "-c", code] + [str(a) for a in args])

    def background(self, name, args, env=None):
        process = self.popen(args, log=os.path.join(self.logs, name + ".log"), env=env)
        self.processes.append((name, process))
        return process

    def log(self, name):
        try:
            with open(os.path.join(self.logs, name + ".log"), errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def wait_for(self, what, condition, timeout=None):
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            value = condition()
            if value:
                return value
            for name, process in self.processes:
                if process.poll() is not None:
                    raise SessionError("%s ended (%s) while waiting for %s:\n%s" % (
                        name, process.returncode, what, self.log(name)[-3000:]))
            if time.monotonic() > deadline:
                raise SessionError("timed out waiting for " + what)
            time.sleep(0.1)

    def has_name(self, name):
        reply = self.run(["dbus-send", "--session", "--print-reply",
                          "--dest=org.freedesktop.DBus", "/", "org.freedesktop.DBus.NameHasOwner",
                          "string:" + name], check=False)
        return "boolean true" in reply

    def start(self):
        self._chown_tree()
        self.background("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                 "--address=" + self.bus])
        self.wait_for("the session bus", lambda: os.path.exists(self.bus[len("unix:path="):]))

        kwin = self.install(shutil.which("kwin_wayland") or "/usr/bin/kwin_wayland")
        self._chown_tree()
        self.background("kwin", [kwin, "--virtual", "--width", str(self.size[0]),
                                 "--height", str(self.size[1]), "--socket", self.socket,
                                 "--no-lockscreen"],
                        env=self.env(KWIN_WAYLAND_NO_PERMISSION_CHECKS="1",
                                     KWIN_SCREENSHOT_NO_PERMISSION_CHECKS="1",
                                     QT_QPA_PLATFORM="offscreen"))
        self.wait_for("KWin's Wayland socket",
                      lambda: os.path.exists(os.path.join(self.runtime, self.socket)), 60)
        self.wait_for("KWin on the bus", lambda: self.has_name("org.kde.KWin"), 60)
        self.wait_for("kglobalaccel in KWin", lambda: self.has_name("org.kde.kglobalaccel"))

        if self.portal:
            self.background("portal-kde", [_service_exec("org.freedesktop.impl.portal.desktop.kde")])
            self.wait_for("xdg-desktop-portal-kde",
                          lambda: self.has_name("org.freedesktop.impl.portal.desktop.kde"))
            self.background("portal", [_service_exec("org.freedesktop.portal.Desktop"), "-v"])
            self.wait_for("xdg-desktop-portal",
                          lambda: self.has_name("org.freedesktop.portal.Desktop"))
        return self

    def stop(self):
        # Services the bus started on demand carry its address: end them first.
        busd = self.processes[0][1].pid if self.processes else None
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == busd:
                continue
            try:
                if os.stat("/proc/" + entry).st_uid != self.uid:
                    continue
                with open("/proc/%s/environ" % entry, "rb") as f:
                    environ = f.read().split(b"\0")
            except OSError:
                continue
            if ("DBUS_SESSION_BUS_ADDRESS=" + self.bus).encode() in environ:
                try:
                    os.kill(int(entry), signal.SIGTERM)
                except OSError:
                    pass
        for name, process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.processes = []
        shutil.rmtree(self.dir, ignore_errors=True)

    def __enter__(self):
        try:
            return self.start()
        except BaseException:
            self.dump()
            self.stop()
            raise

    def __exit__(self, *exc):
        if exc[0] is not None:
            self.dump()
        self.stop()

    def dump(self):
        for name, _ in self.processes:
            text = self.log(name)
            if text:
                print("--- %s log (end) ---\n%s" % (name, text[-4000:]))

    # -- what tests do in the session ------------------------------------------

    def keys(self, *codes):
        """Presses evdev key codes in order and releases them in reverse, through
        KWin's fake input: KWin's shortcuts see them as a keyboard's."""
        if not self.fakeinput:
            raise SessionError("no fake input tool given")
        args = [self.fakeinput, "key"] + ["+%d" % c for c in codes] + \
               ["-%d" % c for c in reversed(codes)]
        self.run(args)

    def input(self, *args):
        """The fake input tool with raw arguments (key, move, click, sleep)."""
        self.run([self.fakeinput] + [str(a) for a in args])

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
