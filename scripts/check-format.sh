#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a C++ source differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')
[[ ${#files[@]} -eq 0 ]] && exit 0
clang-format --dry-run --Werror "${files[@]}"
