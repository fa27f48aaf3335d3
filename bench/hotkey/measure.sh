#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs inside tests/isolate.sh (see run.sh):
#   measure.sh VANTRY KEYWAIT HOTKEY_WINDOW FLOORTRAY XWAIT PRESSES ITEMS
set -euo pipefail
vantry=$1 keywait=$2 hotkey_window=$3 floortray=$4 xwait=$5 presses=$6 items=$7
export QT_QPA_PLATFORM=xcb QT_LOGGING_RULES='*.debug=false'

median() { sort -n | awk '{v[NR]=$1} END {if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR+1)/2]; else printf "%.2f\n", (v[NR/2]+v[NR/2+1])/2}'; }
value() { sed -n "s/^$1=\\([0-9.]*\\).*/\\1/p"; }
# Qt reads two tray clicks within the double-click interval as a double click,
# not two toggles: both sides rest this long between actions.
pause() { sleep 0.6; }
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT

# The floor: click its tray icon to show, click again to hide.
out=$("$xwait" embed -o "$TMPDIR/floortray.log" -- "$floortray")
floor_pid=$(sed -n 's/^pid=\([0-9]*\).*/\1/p' <<<"$out")
pids+=("$floor_pid")
read -r x y w h < <("$xwait" icon -p "$floor_pid")
cx=$((x + w / 2)) cy=$((y + h / 2))
floor_first=$("$xwait" map -p "$floor_pid" --click $cx $cy | value map_ms || true)
pause
"$xwait" unmap -p "$floor_pid" --click $cx $cy >/dev/null || true
floor_times=()
for ((i = 0; i < presses; i++)); do
  pause
  floor_times+=("$("$xwait" map -p "$floor_pid" --click $cx $cy | value map_ms || true)")
  pause
  "$xwait" unmap -p "$floor_pid" --click $cx $cy >/dev/null || true
done
kill "$floor_pid"
floor_median=$(printf '%s\n' "${floor_times[@]}" | grep . | median)
printf 'floortray tray click to window mapped: first %s ms, median of %d later %s ms\n' \
  "$floor_first" "$presses" "$floor_median"

# The hot key backend alone, toggling a bare 1,000-row window.
out=$("$xwait" embed -o "$TMPDIR/hotkey_window.log" -- "$hotkey_window")
window_pid=$(sed -n 's/^pid=\([0-9]*\).*/\1/p' <<<"$out")
pids+=("$window_pid")
window_times=()
for ((i = 0; i <= presses; i++)); do
  pause
  window_times+=("$("$keywait" map -p "$window_pid" | value map_ms || true)")
  pause
  "$keywait" unmap -p "$window_pid" >/dev/null || true
done
kill "$window_pid"
printf 'backend alone, shortcut to bare window mapped: first %s ms, median of %d later %s ms\n' \
  "${window_times[0]:-timeout}" "$presses" "$(printf '%s\n' "${window_times[@]:1}" | grep . | median)"

# Vantry with a 1,000-item folder chosen, toggled by Ctrl+Super+S sent with XTest.
folder=$HOME/shelf
mkdir -p "$folder" "$XDG_CONFIG_HOME/vantry"
for ((i = 0; i < items; i++)); do : >"$folder/item-$i.txt"; done
printf '[General]\nuser_selected_dir=@ByteArray(%s)\n' "$folder" >"$XDG_CONFIG_HOME/vantry/vantry.conf"
out=$("$xwait" embed -o "$TMPDIR/vantry.log" -- "$vantry")
vantry_pid=$(sed -n 's/^pid=\([0-9]*\).*/\1/p' <<<"$out")
pids+=("$vantry_pid")
vantry_first=$("$keywait" map -p "$vantry_pid" | value map_ms || true)
if [[ -z $vantry_first ]]; then
  echo "Vantry did not show its shelf for Ctrl+Super+S (is the shortcut wired?)" >&2
  cat "$TMPDIR/vantry.log" >&2
  exit 1
fi
pause
"$keywait" unmap -p "$vantry_pid" >/dev/null || true
vantry_times=()
for ((i = 0; i < presses; i++)); do
  pause
  vantry_times+=("$("$keywait" map -p "$vantry_pid" | value map_ms || true)")
  pause
  "$keywait" unmap -p "$vantry_pid" >/dev/null || true
done

vantry_median=$(printf '%s\n' "${vantry_times[@]}" | grep . | median)
printf 'vantry shortcut to shelf mapped (%d items): first %s ms, median of %d later %s ms\n' \
  "$items" "$vantry_first" "$presses" "$vantry_median"
awk -v v="$vantry_median" -v f="$floor_median" \
  'BEGIN { r = v / f; printf "ratio %.2f (goal: within 1.5)\n", r; exit !(r <= 1.5) }'
