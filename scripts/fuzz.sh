#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the update feed parser's libFuzzer target with clang and runs one
# bounded pass from the seed corpus in fuzz/corpus.
#   scripts/fuzz.sh [seconds]   (default 60)
# A crash leaves its input in build/fuzz/ (crash-*) and makes the script fail.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${1:-60}
build=build/fuzz

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

# New inputs go to a scratch corpus; the committed seeds stay as they are.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vantry-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/feed_fuzzer" "$scratch" fuzz/corpus \
  -dict=fuzz/feed.dict -max_total_time="$seconds" -max_len=65536 -timeout=10 \
  -rss_limit_mb=2048 -artifact_prefix="$build/" -print_final_stats=1
