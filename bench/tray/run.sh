#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Tray start-up, click-to-shelf and memory of vantry against the bare Qt tray app
# ("floor"), side by side in one run, in Xvfb with openbox and trayer.
#   bench/tray/run.sh [BUILD_DIR] [FLOOR_DIR] [RUNS]
#   BUILD_DIR  a configured build with the vantry target (default build/dev)
#   FLOOR_DIR  the floor app's sources with xwait.c (default ../shared/bench-floor)
#   RUNS       repetitions, medians are reported (default 5)
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(realpath "${1:-$repo/build/dev}")
floor=$(realpath "${2:-$repo/../shared/bench-floor}")
runs=${3:-5}

cmake --build "$build" --target vantry >/dev/null
out=$build/bench-floor
cmake -S "$floor" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" >/dev/null
cc -O2 "$floor/xwait.c" -o "$out/xwait" -lX11 -lXtst

exec "$repo/tests/isolate.sh" --wm --tray -- /usr/bin/python3 "$repo/bench/tray/bench_tray.py" \
  --vantry "$build/src/app/vantry" --floor "$out/floortray" --xwait "$out/xwait" --runs "$runs"
