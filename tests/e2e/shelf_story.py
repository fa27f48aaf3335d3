#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The shelf's story, told the same way on every desktop the tests start.

Usage: shelf_story.py /path/to/vantry DESKTOP [/path/to/vantry_kwin_fakeinput]
DESKTOP is one of desktops.DRIVERS; its driver knows how to click the tray icon, where the
shelf and the preview show, who has the keyboard and how keys are pressed there. A step a
desktop cannot take is skipped out loud ("SKIP ..."), never silently.

Vantry starts quietly; the tray icon (or a launch, without a tray) shows the shelf with the
folder's items, at its own size and in the desktop's place, with the keyboard; Space shows
the preview beside it, Escape hides only the preview, and Space (or the Preview button
pressed through the accessibility bus) shows it again; a second launch hides both, and the
icon shows the shelf again in its place with the keyboard, and hides it; another window
taking the focus closes it; the global shortcut shows and hides it; --quit stops the folder
grant and ends the process.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktops  # noqa: E402
from instance import Failure, hidden, shown, wait_for  # noqa: E402

GAP = 8
PREVIEW_WIDTH = 380
ITEMS = "3"  # notes.txt, report.txt and Projects (desktops.SHELF)


def near(a, b, slack=2):
    return abs(a - b) <= slack


def beside(preview, shelf, top):
    """Whether preview sits left or right of shelf with the gap, their bottoms lined up
    (or its top held at the work area's top, top)."""
    x, y, w, h = preview
    side = near(x + w, shelf[0] - GAP) or near(x, shelf[0] + shelf[2] + GAP)
    return side and near(w, PREVIEW_WIDTH) and (near(y + h, shelf[1] + shelf[3]) or near(y, top))


def story(d):
    app = d.start()
    wait_for("vantry to answer", d.status)
    if d.status()["presented"] != "0" or d.look()[0]:
        raise Failure("something shows at start: %s" % d.status())

    if d.tray:
        wait_for("the tray icon", lambda: d.status()["tray"] == "1")
    else:
        print("SKIP tray icon: %s has no tray" % d.name)
    show = d.activate or d.launch
    how = show.__doc__
    show()
    state = wait_for("the shelf after " + how, lambda: shown(d.status()))
    if state["items"] != ITEMS:
        raise Failure("expected the folder's %s items, status %s" % (ITEMS, state))
    size = tuple(int(v) for v in state["geometry"].split(",")[2:])
    box = wait_for("the shelf on screen at its own size %s" % (size,),
                   lambda: (b := d.look()[0]) and tuple(b[2:]) == size and b)
    screen_w, screen_h = d.size
    if box[0] < 0 or box[1] < 0 or box[0] + box[2] > screen_w or box[1] + box[3] > screen_h:
        raise Failure("the shelf %s is not fully on the %dx%d screen" % (box, screen_w, screen_h))
    wrong = d.misplaced(box, state)
    if wrong:
        raise Failure("the shelf %s after %s: %s" % (box, how, wrong))
    focused(d, how)

    # Space previews the selected row beside the shelf, which keeps the keyboard: after
    # Escape hides the preview, Space brings it back.
    d.keys("Down", "space")
    wait_for("the preview beside the shelf %s" % (box,),
             lambda: (p := d.look()[1]) and beside(p, box, d.top))
    if not shown(d.status()):
        raise Failure("the shelf closed when the preview opened")
    if d.listed:
        listed = d.listed()
        if listed:
            raise Failure("the shelf or preview is listed as a window: %s" % listed)
    else:
        print("SKIP window lists: %s's task list is not read" % d.name)
    d.keys("Escape")
    wait_for("Escape to hide the preview", lambda: not d.look()[1])
    if not shown(d.status()) or not d.look()[0]:
        raise Failure("Escape closed the shelf too")
    # Space brings it back, or the Preview button pressed as a screen reader does, where
    # the desktop has the accessibility bus.
    again = d.press_preview or (lambda: d.keys("space"))
    again()
    wait_for("the preview again after " + (again.__doc__ or "Space"), lambda: d.look()[1])

    # A second launch hides the shelf, preview and all; what showed it shows it again, in
    # the same place and with the keyboard.
    d.launch()
    wait_for("a second launch to hide the shelf and preview",
             lambda: hidden(d.status()) and d.look() == (None, None))
    show()
    if not d.places:
        print("SKIP the same place when shown again: %s places windows itself" % d.name)
    wait_for("the shelf again after %s at %s" % (how, box),
             lambda: (b := d.look()[0]) and (b == box or not d.places and b[2:] == box[2:]))
    focused(d, how + " again")
    d.keys("Down", "space")
    wait_for("the preview from the keyboard when shown again", lambda: d.look()[1])
    if d.activate:
        hide = d.hide or show
        hide()
        wait_for("%s to hide the shelf and preview" % hide.__doc__,
                 lambda: hidden(d.status()) and d.look() == (None, None))
        d.launch()
        wait_for("a launch to show the shelf", lambda: shown(d.status()))
        focused(d, "a launch")

    if d.focus_elsewhere:
        with d.focus_elsewhere():
            wait_for("the shelf to close when another window takes the focus",
                     lambda: hidden(d.status()))
    else:
        print("SKIP focus elsewhere: on %s no window takes the keyboard from the shelf" % d.name)

    # The global shortcut, with nothing set up by the user: it shows the shelf with the
    # keyboard, or hides it, whichever comes next.
    if d.shortcut:
        showing = not shown(d.status())
        for _ in range(2):
            d.shortcut()
            wait_for("%s to %s the shelf" % (d.shortcut.__doc__, "show" if showing else "hide"),
                     lambda: (bool(shown(d.status())), bool(d.look()[0])) == (showing,) * 2)
            if showing:
                focused(d, d.shortcut.__doc__)
            showing = not showing
    else:
        print("SKIP the global shortcut: the %s driver presses none" % d.name)

    d.more(app)
    if app.poll() is not None:
        raise Failure("vantry ended (%s)" % app.returncode)
    d.launch("--quit")
    wait_for("--quit to end vantry", lambda: app.poll() is not None)
    if app.returncode != 0:
        raise Failure("vantry exited with %d after --quit" % app.returncode)
    # The grant taken when the shelf last opened is given back before the process ends.
    log = d.log()
    quit = log.find("Quit: folder access stopped")
    if quit < 0 or log.find("folder access stopped", log.rfind("folder access started", 0, quit),
                            quit) < 0:
        raise Failure("the folder grant was not stopped before quitting")
    if d.status():
        raise Failure("the socket outlived the process")
    # Every hide and close of the shelf and the preview above destroyed their role objects
    # first: newer compositors disconnect a client that destroys a wl_surface before them.
    faults = d.protocol_faults()
    if faults:
        raise Failure("protocol order: " + "; ".join(faults))


def focused(d, how):
    # Vantry's own view first: once it has taken the focus in, another window taking it
    # away is a change it sees.
    wait_for("the shelf to know it has the keyboard after " + how,
             lambda: d.status()["active"] == "1")
    if d.focused:
        wait_for("the keyboard focus on the shelf after " + how, d.focused)
    else:
        print("SKIP focus query after %s: %s answers none; the keys that follow need the "
              "focus" % (how, d.name))


if __name__ == "__main__":
    desktops.run_story(sys.argv[2], story, *sys.argv[3:])
