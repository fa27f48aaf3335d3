#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the tests need, builds, and runs every test: once in an optimised
# build and once under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/test.sh [dev|asan]...   (default: dev asan)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps.sh --test

presets=("$@")
[[ ${#presets[@]} -eq 0 ]] && presets=(dev asan)

scripts/check-format.sh

for preset in "${presets[@]}"; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== $preset: tests"
  ctest --preset "$preset"
done

echo "== fuzz: update feed parser"
scripts/fuzz.sh 60
