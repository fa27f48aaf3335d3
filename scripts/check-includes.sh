#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Keeps the map true: display-server, Qt-private and D-Bus headers are included only under
# src/platform/ and by the shortcut backends (docs/ARCHITECTURE.md, "What may include what").
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
pattern='^\s*#\s*include\s*<(xcb/|X11/|wayland-|qpa/|QtGui/qpa/|QtGui/private/|QtWaylandClient/|private/|QtDBus/|QDBus)'
if offenders=$(git ls-files -- 'src/*.cpp' 'src/*.h' | grep -vE '^src/(platform|shortcuts/backends)/' |
  xargs grep -nE "$pattern"); then
  echo "Platform headers outside src/platform/ and src/shortcuts/backends/:" >&2
  echo "$offenders" >&2
  exit 1
fi
