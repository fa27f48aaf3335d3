# SPDX-License-Identifier: GPL-3.0-or-later
"""Real Wayland compositors for end-to-end tests, started and ended by the test itself.

Sway refuses to run as root, and CI runs as root: the compositor then runs as `nobody`,
with a runtime directory (mode 0700) and a session bus of its own that both it and the
test's processes may use. Everything lives in a fresh folder under /tmp, removed at the end.
"""
import glob
import os
import pwd
import shutil
import signal
import subprocess
import sys
import tempfile

from instance import Failure, wait_for  # noqa: F401 (the Wayland tests import them from here)

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path={path}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class Session:
    """A folder, a session bus and one compositor, all ended by close()."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="vantry-wayland-", dir="/tmp")
        os.chmod(self.dir, 0o755)
        self.procs = []
        if os.geteuid() == 0:
            user = pwd.getpwnam("nobody")
            self.uid, self.gid = user.pw_uid, user.pw_gid
        else:
            self.uid, self.gid = os.geteuid(), os.getegid()
        self.home = self.path("home")
        self.runtime = self.path("runtime")
        os.makedirs(os.path.join(self.home, ".config"))
        os.makedirs(self.runtime, mode=0o700)
        os.chmod(self.runtime, 0o700)
        for d in (self.home, os.path.join(self.home, ".config"), self.runtime):
            os.chown(d, self.uid, self.gid)
        self.bus = None
        self.display = None

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def write(self, relative, text):
        """Writes a file under the compositor user's home."""
        target = os.path.join(self.home, relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w") as f:
            f.write(text)
        d = os.path.dirname(target)
        while d.startswith(self.home):
            os.chown(d, self.uid, self.gid)
            d = os.path.dirname(d)
        os.chown(target, self.uid, self.gid)

    def log(self, name):
        return open(self.path(name + ".log"), "w")

    def logs(self):
        text = ""
        for f in sorted(glob.glob(self.path("*.log"))):
            with open(f, errors="replace") as log:
                text += "--- %s ---\n%s\n" % (os.path.basename(f), log.read()[-6000:])
        return text

    def spawn(self, args, env, name, as_user=False):
        if as_user and os.geteuid() == 0:
            args = ["setpriv", "--reuid=%d" % self.uid, "--regid=%d" % self.gid,
                    "--clear-groups", "--"] + args
        proc = subprocess.Popen(args, env=env, stdout=self.log(name), stderr=subprocess.STDOUT,
                                cwd=self.dir, start_new_session=True)
        self.procs.append(proc)
        return proc

    def start_bus(self):
        config = self.path("bus.conf")
        socket = self.path("bus")
        with open(config, "w") as f:
            f.write(BUS_CONFIG.format(path=socket))
        self.spawn(["dbus-daemon", "--config-file=" + config, "--nofork", "--nopidfile"],
                   dict(os.environ), "dbus")
        wait_for("the session bus", lambda: os.path.exists(socket))
        os.chmod(socket, 0o777)
        self.bus = "unix:path=" + socket
        return self.bus

    def user_env(self, **extra):
        env = {
            "HOME": self.home, "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_RUNTIME_DIR": self.runtime, "PATH": "/usr/local/bin:/usr/bin:/bin",
            "DBUS_SESSION_BUS_ADDRESS": self.bus or "unix:path=/nonexistent",
            "LANG": "C.UTF-8",
        }
        env.update(extra)
        return env

    def start_sway(self, config):
        self.write(".config/sway/config", config)
        env = self.user_env(WLR_BACKENDS="headless", WLR_RENDERER="pixman",
                            WLR_LIBINPUT_NO_DEVICES="1", XDG_CURRENT_DESKTOP="sway")
        proc = self.spawn(["sway", "--config", os.path.join(self.home, ".config/sway/config")],
                          env, "sway", as_user=True)
        self.display = wait_for("sway's socket", lambda: self._socket(proc))
        self.ipc = wait_for("sway's IPC socket",
                            lambda: (glob.glob(os.path.join(self.runtime, "sway-ipc.*.sock"))
                                     or [None])[0])
        return proc

    def start_weston(self, config):
        """Weston's desktop shell on the X display the test runs (its x11 backend, so
        xdotool's keys reach it); its debug scene graph tells where each surface is."""
        self.write(".config/weston.ini", config)
        env = self.user_env(DISPLAY=os.environ["DISPLAY"], XDG_CURRENT_DESKTOP="weston")
        # Xvfb lets only its own user connect: weston runs as the test's user.
        proc = self.spawn(["weston", "--backend=x11-backend.so", "--use-pixman", "--debug",
                           "--width=1280", "--height=800", "--socket=wayland-1",
                           "--config=" + os.path.join(self.home, ".config/weston.ini")],
                          env, "weston")
        self.display = wait_for("weston's socket", lambda: self._socket(proc))
        return proc

    def weston_views(self):
        """Weston's mapped surfaces as dicts: role, pid, x, y, width, height."""
        out = subprocess.run(["weston-debug", "scene-graph"], env=self.client_env(os.environ),
                             capture_output=True, text=True, timeout=20).stdout
        views = []
        for line in out.splitlines():
            line = line.strip()
            if line.startswith("View "):
                role = line.split("role ", 1)[1].split(",", 1)[0]
                pid = line.split("PID ", 1)[1].split(",", 1)[0]
                views.append({"role": role, "pid": int(pid) if pid.isdigit() else None})
            elif line.startswith("position:") and views and "x" not in views[-1]:
                numbers = [int(n) for n in line.replace("(", " ").replace(")", " ")
                           .replace(",", " ").replace("->", " ").split()[1:]]
                views[-1].update(x=numbers[0], y=numbers[1], width=numbers[2] - numbers[0],
                                 height=numbers[3] - numbers[1])
        return views

    def _socket(self, proc):
        if proc.poll() is not None:
            raise Failure("the compositor ended:\n" + self.logs())
        path = os.path.join(self.runtime, "wayland-1")
        return path if os.path.exists(path) else None

    def client_env(self, base, **extra):
        """Environment for a client of ours (running as whoever runs the test)."""
        env = dict(base)
        env.pop("DISPLAY", None)
        env.update({"WAYLAND_DISPLAY": self.display, "QT_QPA_PLATFORM": "wayland",
                    "DBUS_SESSION_BUS_ADDRESS": self.bus or env.get("DBUS_SESSION_BUS_ADDRESS",
                                                                    "")})
        env.update(extra)
        return env

    def swaymsg(self, *args):
        out = subprocess.run(["swaymsg", "-s", self.ipc, "-r"] + list(args),
                             capture_output=True, text=True, timeout=20)
        return out.stdout

    def screenshot(self, name=None):
        """The output as (width, height, rgb bytes), through grim; also saved when named."""
        env = self.client_env(os.environ)
        data = subprocess.run(["grim", "-t", "ppm", "-"], env=env, capture_output=True,
                              timeout=20).stdout
        if name:
            with open(name, "wb") as f:
                f.write(data)
        return parse_ppm(data)

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for proc in reversed(self.procs):
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def run(scenario):
    """Runs scenario(session) in a fresh Session, prints PASS or the failure with the
    session's logs, and ends the session either way."""
    session = Session()
    try:
        scenario(session)
        print("PASS")
    except Failure as e:
        print("FAIL:", e)
        print(session.logs())
        sys.exit(1)
    finally:
        session.close()


def parse_ppm(data):
    """A binary PPM (P6, maxval 255) as (width, height, rgb bytes)."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise Failure("not an 8-bit PPM screenshot")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height * 3]


def regions(shot, background, top=0):
    """Boxes (x, y, width, height) of what differs from the background colour below row top:
    one box per run of columns that hold anything, from left to right."""
    width, height, rgb = shot
    bg = bytes(background)
    empty_row = bg * width
    columns = [None] * width
    for y in range(top, height):
        row = rgb[y * width * 3:(y + 1) * width * 3]
        if row == empty_row:
            continue
        for x in range(width):
            if row[x * 3:x * 3 + 3] != bg:
                c = columns[x]
                columns[x] = (y, y) if c is None else (c[0], y)
    boxes = []
    x = 0
    while x < width:
        if columns[x] is None:
            x += 1
            continue
        start = x
        y0, y1 = columns[x]
        while x < width and columns[x] is not None:
            y0, y1 = min(y0, columns[x][0]), max(y1, columns[x][1])
            x += 1
        boxes.append((start, y0, x - start, y1 - y0 + 1))
    return boxes
