#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the tests need, builds, and runs every test: once in an optimised
# build and once under AddressSanitizer and UndefinedBehaviorSanitizer; then builds,
# installs and checks the Debian package.
#   scripts/test.sh [dev|asan|package]...   (default: dev asan package)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh --test

# The package's build shares its compiler flags with the dev build: ccache saves it
# compiling everything a third time.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi

presets=("$@")
[[ ${#presets[@]} -eq 0 ]] && presets=(dev asan package)

scripts/check-format.sh
scripts/check-includes.sh

for preset in "${presets[@]}"; do
  if [[ $preset == package ]]; then
    scripts/test-package.sh
    continue
  fi
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset: tests"
  ctest --preset "$preset"
done

echo "== fuzz: update feed parser and preview decoders"
scripts/fuzz.sh 60

scripts/code-lines.sh
