#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one test with a throwaway HOME, XDG dirs and session bus address, so no
# test ever touches the user's settings, autostart entries or session bus.
#   isolate.sh [--dbus] [--x11] [--wm] [--tray] [--unprivileged] -- command [args...]
#   --dbus  start a private dbus-daemon --session (no service activation)
#   --x11   start an Xvfb display and use Qt's xcb platform
#   --wm    also start openbox; --tray also start trayer (an XEmbed tray); both imply --x11
#   --unprivileged  when run as root, run the command as nobody, so permission bits
#           count (root ignores them); the throwaway dirs are handed to nobody
set -euo pipefail

want_dbus=0 want_x11=0 want_wm=0 want_tray=0 want_unprivileged=0
while [[ $# -gt 0 && $1 != -- ]]; do
  case $1 in
    --dbus) want_dbus=1 ;;
    --x11) want_x11=1 ;;
    --wm) want_x11=1 want_wm=1 ;;
    --tray) want_x11=1 want_tray=1 ;;
    --unprivileged) want_unprivileged=1 ;;
    *) echo "isolate.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
shift

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/vantry-test.XXXXXX")
# mktemp makes it 0700; nobody must be able to reach the dirs below it.
((want_unprivileged)) && chmod 755 "$tmp"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

# wait_for <seconds> <command...>: polls a condition until it holds or time runs out.
wait_for() {
  local limit=$1; shift
  local deadline=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    if ((SECONDS >= deadline)); then
      echo "isolate.sh: timed out waiting for: $*" >&2
      return 1
    fi
    sleep 0.05
  done
}

export HOME=$tmp/home
export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_CACHE_HOME=$tmp/cache
export XDG_STATE_HOME=$tmp/state XDG_RUNTIME_DIR=$tmp/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export TMPDIR=$tmp
unset XDG_CURRENT_DESKTOP XDG_SESSION_TYPE DESKTOP_SESSION WAYLAND_DISPLAY FLATPAK_ID || true
# Nothing answers here unless --dbus starts a bus of the test's own.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/no-session-bus"

if ((want_dbus)); then
  dbus-daemon --config-file="$here/dbus-session.conf" --address="unix:path=$tmp/bus" \
    --nofork --nopidfile --print-address=3 3>"$tmp/bus-address" &
  pids+=($!)
  wait_for 20 test -s "$tmp/bus-address"
  DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus-address")
  export DBUS_SESSION_BUS_ADDRESS
fi

if ((want_x11)); then
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  pids+=($!)
  wait_for 30 test -s "$tmp/display"
  export DISPLAY=":$(head -n1 "$tmp/display")"
  export QT_QPA_PLATFORM=xcb
  if ((want_wm)); then
    openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
    pids+=($!)
    wait_for 30 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
  fi
  if ((want_tray)); then
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
      --expand true --transparent false >"$tmp/trayer.log" 2>&1 &
    pids+=($!)
    wait_for 30 sh -c 'xprop -root _NET_CLIENT_LIST 2>/dev/null | grep -q "window id" || xdotool search --class trayer'
  fi
fi

if ((want_unprivileged)) && ((EUID == 0)); then
  chown -R nobody: "$tmp/home" "$tmp/config" "$tmp/data" "$tmp/cache" "$tmp/state" "$tmp/runtime"
  mkdir "$tmp/tmp" && chown nobody: "$tmp/tmp"
  export TMPDIR=$tmp/tmp
  exec_prefix=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  # A checkout under /root is out of nobody's reach: run copies from $tmp then.
  command=$(command -v "$1" || echo "$1")
  if ! "${exec_prefix[@]}" test -x "$command"; then
    mkdir "$tmp/bin" && cp "$command" "$tmp/bin/" && chmod -R a+rX "$tmp/bin"
    set -- "$tmp/bin/$(basename "$1")" "${@:2}"
  fi
  if [[ ${LSAN_OPTIONS:-} =~ suppressions=([^:]*) ]] &&
    ! "${exec_prefix[@]}" test -r "${BASH_REMATCH[1]}"; then
    cp "${BASH_REMATCH[1]}" "$tmp/lsan.supp" && chmod a+r "$tmp/lsan.supp"
    LSAN_OPTIONS=${LSAN_OPTIONS/${BASH_REMATCH[1]}/$tmp/lsan.supp}
  fi
else
  exec_prefix=()
fi

"${exec_prefix[@]}" "$@"
