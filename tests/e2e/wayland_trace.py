# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads a client's protocol trace (WAYLAND_DEBUG=1) for objects destroyed out of order."""
import re

REQUEST = re.compile(r" -> (\w+)@(\d+)\.(\w+)\((.*)\)")


def roles_outliving_surfaces(trace):
    """Each wl_surface destroyed while a role object made for it still lived.

    Since wayland 1.22 that is the defunct_role_object error, and wlroots 0.17 and
    later disconnect the client for it."""
    roles = {}  # role object -> its wl_surface
    faults = []
    for match in REQUEST.finditer(trace):
        interface, number, request, args = match.groups()
        me = "%s@%s" % (interface, number)
        new = re.search(r"new id (\w+@\d+)", args)
        surface = re.search(r"(wl_surface@\d+)", args)
        if request in ("get_layer_surface", "get_xdg_surface") and new and surface:
            roles[new.group(1)] = surface.group(1)
        elif request in ("get_popup", "get_toplevel") and new and me in roles:
            roles[new.group(1)] = roles[me]
        elif request == "destroy":
            alive = sorted(r for r, s in roles.items() if s == me)
            if alive:
                faults.append("%s destroyed before %s" % (me, ", ".join(alive)))
            for role in alive:
                del roles[role]
            roles.pop(me, None)
    return faults
