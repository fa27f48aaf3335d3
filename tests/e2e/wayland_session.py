# SPDX-License-Identifier: GPL-3.0-or-later
"""A private Wayland desktop session for end-to-end tests: a folder under /tmp, a session
bus, a compositor (started by desktops.py's drivers; KWin in kwin_session.py) and programs
in it, all run as the session's user with its environment, and all ended by stop().

Compositors refuse to run as root, and CI runs as root: the session then runs as an
unprivileged user (created once, "vantry-kde"). PATH is reset to system directories that
user can enter, after the session's bin folder, where install() puts copies of programs
the build tree keeps out of its reach.
"""
import os
import pwd
import shutil
import signal
import subprocess
import tempfile

from instance import Failure, wait_for

SESSION_USER = "vantry-kde"
BUS_CONFIG = """<busconfig><type>session</type><listen>%s</listen><auth>EXTERNAL</auth>%s
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>"""
SYSTEM_PATH = "/usr/local/bin:/usr/bin:/bin:/usr/local/sbin:/usr/sbin:/sbin"


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


class Session:
    socket = "wayland-1"  # the name sway picks in an empty runtime folder

    timeout = 30.0

    def __init__(self, size=(1280, 800)):
        self.uid, self.gid, self.user = _session_user()
        self.size = size
        self.dir = tempfile.mkdtemp(prefix="vantry-session.", dir="/tmp")
        self.bin = os.path.join(self.dir, "bin")
        self.runtime = os.path.join(self.dir, "run")
        self.home = os.path.join(self.dir, "home")
        self.logs = os.path.join(self.dir, "logs")
        self.bus = "unix:path=%s/bus" % self.runtime
        self.processes = []
        for d in (self.bin, self.runtime, self.logs, os.path.join(self.home, ".config"),
                  os.path.join(self.home, ".local/share"), os.path.join(self.home, ".cache")):
            os.makedirs(d, exist_ok=True)
        os.chmod(self.dir, 0o755)
        os.chmod(self.runtime, 0o700)

    def install(self, program, name=None):
        """A copy of program in the session's bin folder; returns the copy's path."""
        target = os.path.join(self.bin, name or os.path.basename(program))
        shutil.copy(program, target)  # copies no file capabilities
        os.chmod(target, 0o755)
        return target

    def env(self, **extra):
        env = {
            "HOME": self.home, "XDG_RUNTIME_DIR": self.runtime,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "DBUS_SESSION_BUS_ADDRESS": self.bus, "WAYLAND_DISPLAY": self.socket,
            "QT_QPA_PLATFORM": "wayland", "PATH": self.bin + ":" + SYSTEM_PATH,
            "LANG": "C.UTF-8", "USER": self.user, "LOGNAME": self.user,
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

    def _as_user(self):
        return {} if os.geteuid() != 0 else {"user": self.uid, "group": self.gid,
                                              "extra_groups": []}

    def popen(self, args, log=None, env=None, **kwargs):
        """Starts args as the session user; output goes to log (a path) or is dropped."""
        out = open(log, "w") if log else subprocess.DEVNULL
        process = subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, env=env or self.env(),
                                   cwd=self.home, start_new_session=True, **self._as_user(),
                                   **kwargs)
        if log:
            out.close()
        return process

    def run(self, args, env=None, check=True, timeout=None):
        """Runs args as the session user and returns its standard output."""
        result = subprocess.run(args, capture_output=True, text=True, env=env or self.env(),
                                cwd=self.home, timeout=timeout or self.timeout,
                                **self._as_user())
        if check and result.returncode != 0:
            raise Failure("%s failed (%d): %s" % (args[0], result.returncode,
                                                  result.stderr.strip()))
        return result.stdout

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
        """Like instance.wait_for, but fails at once when a session program ended."""
        def check():
            for name, process in self.processes:
                if process.poll() is not None:
                    raise Failure("%s ended (%s) while waiting for %s:\n%s" % (
                        name, process.returncode, what, self.log(name)[-3000:]))
            return condition()
        return wait_for(what, check, timeout or self.timeout)

    def has_name(self, name):
        reply = self.run(["dbus-send", "--session", "--print-reply",
                          "--dest=org.freedesktop.DBus", "/", "org.freedesktop.DBus.NameHasOwner",
                          "string:" + name], check=False)
        return "boolean true" in reply

    def start(self, activation=False):
        """Starts the session bus; with activation, it starts services on demand."""
        config = self.write("bus.conf", BUS_CONFIG % (self.bus, "<standard_session_servicedirs/>"
                                                      if activation else ""))
        self._chown_tree()
        self.background("dbus", ["dbus-daemon", "--config-file=" + config, "--nofork",
                                 "--nopidfile"])
        self.wait_for("the session bus", lambda: os.path.exists(self.bus[len("unix:path="):]))
        return self

    def _compositor(self, name, args, env):
        self.background(name, args, env=env)
        self.wait_for(name + "'s Wayland socket",
                      lambda: os.path.exists(os.path.join(self.runtime, self.socket)), 60)

    def write(self, relative, text):
        """Writes a file under the session's home, readable by its user; returns its path."""
        path = os.path.join(self.home, relative)
        os.makedirs(os.path.dirname(path), mode=0o755, exist_ok=True)
        with open(path, "w") as f:
            f.write(text)
        os.chmod(path, 0o644)
        return path

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

