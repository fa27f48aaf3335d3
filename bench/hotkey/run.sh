#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shortcut-to-shelf latency against the bare tray app's click-to-window time,
# both measured in one run on one throwaway Xvfb + openbox + trayer session.
#   bench/hotkey/run.sh [BUILD_DIR] [FLOOR_DIR]
# BUILD_DIR: a dev build with `vantry`, `vantry_keywait` and `vantry_hotkey_window`
# built (default build/dev).
# FLOOR_DIR: the reference floor's sources (default ../shared/bench-floor); its
# floortray and xwait are built into BUILD_DIR/bench-floor, not kept in this tree.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build/dev}" && pwd)
floor_src=$(cd "${2:-$root/../shared/bench-floor}" && pwd)
presses=${PRESSES:-50}
items=${ITEMS:-1000}

vantry=$build/src/app/vantry
keywait=$build/bench/hotkey/vantry_keywait
hotkey_window=$build/bench/hotkey/vantry_hotkey_window
for f in "$vantry" "$keywait" "$hotkey_window"; do
  [[ -x $f ]] || {
    echo "missing $f: cmake --build $build --target vantry vantry_keywait vantry_hotkey_window" >&2
    exit 2
  }
done

floor_build=$build/bench-floor
if [[ ! -x $floor_build/floortray || ! -x $floor_build/xwait ]]; then
  cmake -S "$floor_src" -B "$floor_build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$floor_build" >/dev/null
  cc -O2 "$floor_src/xwait.c" -o "$floor_build/xwait" -lX11 -lXtst
fi

# Everything below runs inside a throwaway session (HOME, XDG dirs, display, tray).
exec "$root/tests/isolate.sh" --wm --tray -- "$here/measure.sh" \
  "$vantry" "$keywait" "$hotkey_window" "$floor_build/floortray" "$floor_build/xwait" "$presses" "$items"
