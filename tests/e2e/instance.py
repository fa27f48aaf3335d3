# SPDX-License-Identifier: GPL-3.0-or-later
"""Helpers every end-to-end test shares: the one Failure, waiting for a condition, the
folder a test's Vantry shows, starting Vantry and asking it for its state over its
single-instance socket, and X11 windows as xdotool and xwininfo see them.

The test's first argument is the vantry program; its log goes to ~/vantry.log."""
import os
import socket
import subprocess
import sys
import time

VANTRY = sys.argv[1] if len(sys.argv) > 1 else None
SOCKET = os.path.join(os.environ.get("XDG_RUNTIME_DIR", "/nonexistent"),
                      "app.vantry.Vantry.socket")
LOG = os.path.join(os.environ.get("HOME", "/nonexistent"), "vantry.log")
DEBUG = dict(QT_LOGGING_RULES="app.vantry.*.debug=true")
TIMEOUT = 20.0


class Failure(Exception):
    pass


def wait_for(what, condition, timeout=TIMEOUT):
    """condition's first true value, polled until timeout; Failure after that."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


def status(path=SOCKET, user=None):
    """The instance's state as a dict, or None when it does not answer. user: (uid, gid) to
    ask as when the test runs as root; Vantry answers its own user only."""
    switch = user is not None and os.geteuid() == 0
    try:
        if switch:
            os.setegid(user[1])
            os.seteuid(user[0])
        with socket.socket(socket.AF_UNIX) as s:
            s.settimeout(5)
            s.connect(path)
            s.sendall(b"status\n")
            reply = b""
            while not reply.endswith(b"\n"):
                chunk = s.recv(1024)
                if not chunk:
                    break
                reply += chunk
    except OSError:
        return None
    finally:
        if switch:
            os.seteuid(0)
            os.setegid(0)
    return dict(part.split("=", 1) for part in reply.decode().split())


def shown(state):
    return state if state and state["presented"] == "1" and state["window"] == "1" else None


def hidden(state):
    return state if state and state["presented"] == "0" and state["window"] == "0" else None


def prepare_shelf(files, folders=(), home=None, config=None):
    """Makes ~/Shelf with files (names, or a dict of names and texts) and folders, and
    stores it as the chosen folder."""
    shelf = os.path.join(home or os.environ["HOME"], "Shelf")
    os.makedirs(shelf)
    for name in folders:
        os.makedirs(os.path.join(shelf, name))
    for name, text in (files if isinstance(files, dict) else dict.fromkeys(files, "")).items():
        with open(os.path.join(shelf, name), "w") as f:
            f.write(text)
    config = os.path.join(config or os.environ["XDG_CONFIG_HOME"], "vantry")
    os.makedirs(config)
    with open(os.path.join(config, "vantry.conf"), "w") as f:
        f.write("[General]\nuser_selected_dir=@ByteArray(%s)\n" % shelf)


def start(*args, env=None, log=LOG):
    """Vantry started with args, its debug log going to log."""
    return subprocess.Popen([VANTRY, *args], stdout=open(log, "a"), stderr=subprocess.STDOUT,
                            env=dict(env or os.environ, **DEBUG))


def launch(*args, env=None, expect=0):
    """Another launch; fails unless it exits with expect."""
    done = subprocess.run([VANTRY, *args], env=env or os.environ, timeout=TIMEOUT,
                          capture_output=True, text=True)
    if done.returncode != expect:
        raise Failure("vantry %s exited with %d, not %d: %s"
                      % (" ".join(args), done.returncode, expect, done.stderr))
    return done


def expect_exit(app, what, timeout=TIMEOUT):
    """Fails unless app ends with status 0 soon after what."""
    try:
        code = app.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Failure("%s did not end the process" % what)
    if code != 0:
        raise Failure("vantry exited with %d after %s" % (code, what))


def end(*processes):
    """Kills those of processes that still run."""
    for process in processes:
        if process is not None and process.poll() is None:
            process.kill()
            process.wait()


def log_text(path=LOG):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def main(scenario, *args):
    """Runs scenario(*args); prints PASS, or the failure and Vantry's log."""
    try:
        scenario(*args)
    except Failure as e:
        print("FAIL:", e)
        print("--- vantry log ---\n" + log_text())
        sys.exit(1)
    print("PASS")


# X11: windows through xdotool and xwininfo.

def run(*args):
    return subprocess.run(args, capture_output=True, text=True).stdout


def visible_windows(pid, name=None):
    return [int(w) for w in run("xdotool", "search", "--all", "--onlyvisible", "--pid", str(pid),
                                *(["--name", name] if name else [])).split()]


def geometry(window):
    """(x, y, width, height) of an X window, or None once it is not viewable."""
    values = {}
    for line in run("xwininfo", "-id", str(window)).splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    if values.get("Map State") != "IsViewable":
        return None
    return tuple(int(values[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y",
                                           "Width", "Height"))


def has_focus(pid, name):
    """Whether the X input focus is on pid's visible window called name."""
    focus = run("xdotool", "getwindowfocus").strip()
    return focus.isdigit() and int(focus) in visible_windows(pid, name)


_clicks = [0]


def click(x, y, button=1):
    # Successive clicks land a few pixels apart, so that Qt never pairs them into a double click.
    _clicks[0] += 1
    run("xdotool", "mousemove", str(x + (4 if _clicks[0] % 2 else -4)), str(y),
        "click", str(button))

