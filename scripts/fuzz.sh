#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs one bounded pass of each from its
# seed corpus: the update feed parser (fuzz/corpus) and the preview decoders
# (fuzz/preview-corpus), half of the time each.
#   scripts/fuzz.sh [seconds]   (default 60, in all)
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
# Leaks inside libraries we do not build (fontconfig behind SVG text) are not ours.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0

# fuzz <target> <seeds> <dictionary> <max_len>
fuzz() {
  mkdir -p "$scratch/$1"
  "$build/$1" "$scratch/$1" "$2" -dict="$3" -max_total_time=$((seconds / 2)) \
    -max_len="$4" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/" \
    -print_final_stats=1
}
fuzz feed_fuzzer fuzz/corpus fuzz/feed.dict 65536
fuzz preview_fuzzer fuzz/preview-corpus fuzz/preview.dict 16384
