#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Every text in the catalogs has a finished translation that keeps the arguments the code
fills in (%1, %n): a missing one would show the source text or lose the value.
Usage: catalogs_complete.py catalog.ts...
"""
import re
import sys
import xml.etree.ElementTree as ET


def arguments(text):
    return sorted(re.findall(r"%(?:\d+|n)", text or ""))


failures = []
for path in sys.argv[1:]:
    messages = list(ET.parse(path).iter("message"))
    if not messages:
        failures.append("%s: no messages" % path)
    for message in messages:
        source = message.findtext("source")
        translation = message.find("translation")
        if translation.get("type") in ("obsolete", "vanished"):
            continue
        if translation.get("type") == "unfinished" or not translation.text:
            failures.append("%s: not translated: %r" % (path, source))
        elif arguments(translation.text) != arguments(source):
            failures.append("%s: arguments differ: %r -> %r" % (path, source, translation.text))
if failures:
    sys.exit("\n".join(failures))
