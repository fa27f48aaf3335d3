#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the lines that hold code (not blank, not only a comment) in C++, Python, shell
# and CMake files under src/ and tests/, and the tests' share of the two.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

count() {
  find "$1" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.py' -o -name '*.sh' \
    -o -name '*.cmake' -o -name CMakeLists.txt \) -not -path '*/__pycache__/*' -print0 |
    xargs -0 cat | grep -cvE '^\s*($|//|#|\*|/\*)'
}

src=$(count src)
tests=$(count tests)
echo "Lines of code: src/ $src, tests/ $tests; tests are $((100 * tests / (src + tests))) % of all the code"
