#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (the "package" preset, once), checks it with lintian, installs
# it on this machine with dpkg and drives the installed program. Needs root; removes the
# package again at the end unless it was installed before.
#   scripts/test-package.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"

echo "== package: build"
cmake --preset package >/dev/null
cmake --build --preset package
rm -f build/package/vantry_*.deb
(cd build/package && cpack -G DEB >/dev/null)
deb=$(ls build/package/vantry_*.deb)
echo "package: $deb, $(stat -c %s "$deb") bytes"
dpkg-deb --field "$deb" Depends Recommends Installed-Size

echo "== package: lintian"
lintian --fail-on error --tag-display-limit 0 "$deb"

echo "== package: install"
had_vantry=0
dpkg-query -W -f='${Status}' vantry 2>/dev/null | grep -q 'install ok installed' && had_vantry=1
cleanup() {
  if ((!had_vantry)); then
    $sudo dpkg -r vantry >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT
export DEBIAN_FRONTEND=noninteractive
# Others may hold the dpkg lock for a while; dpkg -i leaves missing dependencies to apt.
for attempt in $(seq 60); do
  if out=$($sudo dpkg -i "$deb" 2>&1); then break; fi
  if grep -q "lock" <<<"$out"; then sleep 5; continue; fi
  echo "$out"
  $sudo apt-get -o DPkg::Lock::Timeout=300 -f install -y -qq --no-install-recommends
  break
done
dpkg-query -W -f='${Status}\n' vantry | grep -q 'install ok installed'

echo "== package: installed files"
files=$(dpkg -L vantry)
for f in /usr/bin/vantry \
    /usr/share/applications/app.vantry.Vantry.desktop \
    /usr/share/metainfo/app.vantry.Vantry.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/app.vantry.Vantry.svg \
    /usr/share/icons/hicolor/48x48/apps/app.vantry.Vantry.png \
    /usr/share/icons/hicolor/symbolic/apps/app.vantry.Vantry-symbolic.svg \
    /usr/share/man/man1/vantry.1.gz \
    /usr/share/doc/vantry/copyright; do
  grep -qx "$f" <<<"$files" || { echo "FAIL: $f is not in the package"; exit 1; }
done
desktop-file-validate /usr/share/applications/app.vantry.Vantry.desktop
appstreamcli validate --no-net /usr/share/metainfo/app.vantry.Vantry.metainfo.xml
man -l /usr/share/man/man1/vantry.1.gz >/dev/null

echo "== package: the installed program"
# Options need no display.
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/vantry --version
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/vantry --help >/dev/null
tests/isolate.sh --wm -- /usr/bin/python3 "$root/tests/e2e/test_cli.py" /usr/bin/vantry
tests/isolate.sh --wm --tray -- /usr/bin/python3 "$root/tests/e2e/shelf_story.py" /usr/bin/vantry x11_openbox
echo "package: PASS"
