#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""End-to-end accessibility test: the real vantry in Xvfb with openbox and trayer, read and
driven through the accessibility bus (AT-SPI) the way a screen reader user would.

Every control of the shelf, the settings and the update window has a role and a name,
and labels are read as their text; a failed rename is announced; the status menu's entries
are reachable; Ctrl+, and Ctrl+Q work in the open menu and in Vantry's windows.
Usage: test_accessibility.py /path/to/vantry   (run through tests/isolate.sh --dbus --tray)
"""
import os
import signal
import subprocess
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

import instance  # noqa: E402
from instance import Failure, has_focus, run, status, wait_for  # noqa: E402

# Roles a user acts on: each needs a name that says what it does.
CONTROLS = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE,
    pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_PAGE_TAB_LIST,
    pyatspi.ROLE_PROGRESS_BAR, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_SPIN_BUTTON,
}

events = []


def on_event(event):
    try:
        events.append((event.type, event.source.getRole(), event.source.name,
                       event.detail1))
    except Exception:  # the source may be gone already
        pass


def pump(seconds=0.0):
    """Lets GLib deliver AT-SPI events for a while."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while True:
        while context.pending():
            context.iteration(False)
        if time.monotonic() >= deadline:
            return
        time.sleep(0.02)


def wait_until(what, condition, timeout=20.0):
    def check():
        pump()
        return condition()
    return wait_for(what, check, timeout)


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def walk(node, depth=0):
    yield node, depth
    if depth < 25:
        for child in children(node):
            if child is not None:
                yield from walk(child, depth + 1)


def showing(node):
    try:
        return node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def describe(node):
    return "%s %r" % (node.getRoleName(), node.name)


def vantry_app(pid):
    for app in children(pyatspi.Registry.getDesktop(0)):
        try:
            if app.get_process_id() == pid:
                return app
        except Exception:  # an application that left
            pass


def window_named(app, name):
    return next((w for w in children(app) if w and w.name == name and showing(w)), None)


def find(root, role, name=None):
    return next((node for node, _ in walk(root) if node.getRole() == role
                 and (name is None or node.name == name) and showing(node)), None)


def check_window(window, labels):
    """Every control showing in window has a name; the given label texts are read as such."""
    seen_labels = []
    for node, _ in walk(window):
        if not showing(node):
            continue
        role = node.getRole()
        if role in (pyatspi.ROLE_INVALID, pyatspi.ROLE_UNKNOWN):
            raise Failure("%s in %r has no role" % (describe(node), window.name))
        if role in CONTROLS and not node.name.strip():
            raise Failure("a %s in %r has no name (inside %s)"
                          % (node.getRoleName(), window.name, describe(node.parent)))
        if role == pyatspi.ROLE_LABEL:
            seen_labels.append(node.name)
    for text in labels:
        if not any(text in name for name in seen_labels):
            raise Failure("no label in %r is read as %r; labels read: %r"
                          % (window.name, text, seen_labels))


def press(node):
    """The node's first action: Press, for buttons and tabs."""
    node.queryAction().doAction(0)


def key(*keys):
    run("xdotool", "key", "--clearmodifiers", *keys)


def start_accessibility_bus():
    """at-spi-bus-launcher on the test's private session bus: the bus screen readers use."""
    # A process group of its own: the bus and the registry it starts go with it.
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately",
                                 "--a11y=1"], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)

    def bus_up():
        reply = subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], capture_output=True, text=True)
        return reply.returncode == 0 and "unix:" in reply.stdout

    wait_for("the accessibility bus", bus_up)
    return launcher


def main():
    instance.prepare_shelf(("alpha.txt", "beta.txt"))
    launcher = start_accessibility_bus()
    # Listening before vantry starts: Qt sends only the events someone listens to.
    pyatspi.Registry.registerEventListener(
        on_event, "object:state-changed:showing", "object:property-change:accessible-name",
        "focus:", "object:state-changed:focused")
    app = instance.start(env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
    try:
        scenario(app)
    finally:
        instance.end(app)
        try:
            os.killpg(launcher.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        launcher.wait()


def scenario(app):
    wait_for("vantry to answer", lambda: (s := status()) and s["tray"] == "1")
    accessible = wait_until("vantry on the accessibility bus", lambda: vantry_app(app.pid))

    # The global shortcut's stand-in: a second launch shows the shelf.
    instance.launch()
    shelf = wait_until("the shelf in the tree", lambda: window_named(accessible, "Shelf"))
    wait_until("the rows read by their names", lambda: (items := find(
        shelf, pyatspi.ROLE_LIST, "Items")) and "beta.txt" in [c.name for c in children(items)])
    check_window(shelf, ("Folder", "Items"))

    # A failed rename is announced: an alert shows with the system's reason.
    wait_until("the shelf to be active", lambda: shelf.getState().contains(pyatspi.STATE_ACTIVE))
    key("Home")
    del events[:]
    key("Return")

    def focused(role, name):
        return any(r == role and n == name and (kind.startswith("focus") or d == 1)
                   for kind, r, n, d in events if "focus" in kind)

    # The field lives inside the list, where browsing does not go; its focus is announced.
    wait_until("the rename field to take the focus",
               lambda: focused(pyatspi.ROLE_TEXT, "New name"))
    del events[:]
    run("xdotool", "key", "ctrl+a")
    run("xdotool", "type", "--delay", "0", "x" * 300)
    key("Return")

    def announced():
        for kind, role, name, detail in events:
            if kind.startswith("object:state-changed:showing") and role == pyatspi.ROLE_ALERT \
                    and detail == 1 and name:
                return name
        return None

    message = wait_until("the failed rename to be announced", announced)
    if "long" not in message.lower():
        raise Failure("the alert says %r" % message)
    del events[:]
    key("Escape")
    wait_until("the list to take the focus back", lambda: focused(pyatspi.ROLE_LIST, "Items")
               or any(r == pyatspi.ROLE_LIST_ITEM and "focus" in k for k, r, n, d in events))

    # Ctrl+, in the shelf opens the settings; closed again for the menu's turn.
    key("ctrl+comma")
    wait_for("Ctrl+, to open the settings", lambda: (s := status()) and s["settings"] == "1")
    # Alt+F4 goes to whichever window has the focus: wait until the window manager gave it.
    wait_for("the settings to take the focus", lambda: has_focus(app.pid, "Vantry Settings"))
    key("alt+F4")
    wait_for("the settings to close", lambda: (s := status()) and s["settings"] == "0")

    # The status menu on this XEmbed tray: Qt keeps popup menus out of the tree, but each
    # entry is announced with its name as the keyboard reaches it.
    state = status()
    x, y, w, h = (int(v) for v in state["icon"].split(","))

    def open_menu():
        instance.click(x + w // 2, y + h // 2, 3)
        wait_until("the menu", lambda: (status() or {}).get("popup"))

    del events[:]
    open_menu()
    for _ in range(4):
        key("Down")
        pump(0.1)

    def announced_items():
        return {name.split("\t")[0] for kind, role, name, detail in events
                if role == pyatspi.ROLE_MENU_ITEM and (kind.startswith("focus") or detail == 1)}

    wait_until("the menu's entries to be announced", lambda: len(announced_items()) >= 4)
    if announced_items() != {"Show Shelf", "Preferences\u2026", "Check for Updates\u2026", "Quit"}:
        raise Failure("menu entries announced: %r" % announced_items())
    key("Escape")
    wait_for("the menu to close", lambda: "popup" not in (status() or {"popup": 1}))

    # Ctrl+, while the status menu is open opens the settings and closes the menu.
    open_menu()
    key("ctrl+comma")
    wait_for("Ctrl+, in the open menu", lambda: (s := status()) and "popup" not in s
             and s["settings"] == "1")

    settings = wait_until("the settings window in the tree", lambda: next(
        (w for w in children(accessible)
         if w is not None and showing(w) and find(w, pyatspi.ROLE_PAGE_TAB_LIST)), None))
    check_window(settings, ("General", "Preview position", "Shortcuts", "Open Window:"))

    # "Check for Updates…" shows at once that a check runs, with Cancel; or, when the
    # answer came first, its outcome. Either way the window reads well.
    open_menu()
    key("Down", "Down", "Down", "Return")
    update = wait_until("the update window", lambda: window_named(accessible, "Software Update"))
    check_window(update, ())
    cancel = find(update, pyatspi.ROLE_PUSH_BUTTON, "Cancel")
    if cancel:
        if not find(update, pyatspi.ROLE_PROGRESS_BAR):
            raise Failure("the running check shows no progress bar")
        press(cancel)
    else:
        press(find(update, pyatspi.ROLE_PUSH_BUTTON, "OK"))
    wait_until("the update window to close",
               lambda: not window_named(accessible, "Software Update"))

    instance.launch("--preferences")
    # Ctrl+Q in the settings window quits. The keys are let go only after the end: Qt's
    # accessibility bridge holds each key event until the registry answers, and one still
    # held at exit is never freed.
    wait_for("the settings to take the focus", lambda: has_focus(app.pid, "Vantry Settings"))
    run("xdotool", "keydown", "--clearmodifiers", "ctrl+q")
    try:
        instance.expect_exit(app, "Ctrl+Q")
    finally:
        run("xdotool", "keyup", "ctrl+q")


if __name__ == "__main__":
    os.chdir(os.environ["HOME"])
    instance.main(main)
