#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what Vantry needs to build, run and test on Debian 12 (or newer).
# Usage: scripts/install-deps.sh [--test]
set -euo pipefail

build_pkgs=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-pdf-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libqt6svg6 qt6-image-formats-plugins qt6-qpa-plugins
  libxkbcommon-dev libxkbcommon-x11-dev libxcb1-dev libxcb-xkb-dev
  qt6-wayland qt6-wayland-dev libwayland-dev
  libicu-dev
  wayland-protocols qt6-base-private-dev
  libgl-dev
)
test_pkgs=(
  xvfb xauth trayer openbox xdotool x11-utils x11-xkb-utils x11-xserver-utils libx11-dev
  libxtst-dev
  dbus dbus-x11 python3 python3-dbusmock python3-gi dunst
  at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  appstream desktop-file-utils qt6-translations-l10n
  lintian dpkg-dev man-db file ccache
  clang libclang-rt-14-dev
  kwin-wayland qtwayland5 xdg-desktop-portal xdg-desktop-portal-kde plasma-wayland-protocols
  plasma-workspace plasma-desktop
  python3-dbus
  sway waybar swaybg grim wtype weston
  gnome-shell gnome-shell-extension-appindicator mutter xwayland gnome-settings-daemon
  xdg-desktop-portal-gnome xdg-desktop-portal-gtk
)

pkgs=("${build_pkgs[@]}")
if [[ "${1:-}" == "--test" ]]; then
  pkgs+=("${test_pkgs[@]}")
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
