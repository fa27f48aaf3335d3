# SPDX-License-Identifier: GPL-3.0-or-later
"""Helpers every end-to-end test shares: waiting for a condition, preparing the folder a
test's Vantry shows, and asking a running Vantry for its state over its single-instance
socket."""
import os
import socket
import time


class Failure(Exception):
    pass


def wait_for(what, condition, timeout=20.0):
    """condition's first true value, polled until timeout; Failure after that."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


def status(path, user=None):
    """The instance's state as a dict, or None when it does not answer.

    user: (uid, gid) to ask as when the test runs as root; Vantry answers its own user only.
    """
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


def prepare_shelf(files, folders=()):
    """Makes ~/Shelf with the given entries and stores it as the chosen folder.

    files: names of empty files, or a dict of names and their texts.
    """
    shelf = os.path.join(os.environ["HOME"], "Shelf")
    os.makedirs(shelf)
    for name in folders:
        os.makedirs(os.path.join(shelf, name))
    texts = files if isinstance(files, dict) else dict.fromkeys(files, "")
    for name, text in texts.items():
        with open(os.path.join(shelf, name), "w") as f:
            f.write(text)
    config = os.path.join(os.environ["XDG_CONFIG_HOME"], "vantry")
    os.makedirs(config)
    with open(os.path.join(config, "vantry.conf"), "w") as f:
        f.write("[General]\nuser_selected_dir=@ByteArray(%s)\n" % shelf)
