#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Wingscribe with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ and
# runs the test suite there (all but the desktop end-to-end suite). Any memory error, leak or
# undefined behaviour fails the run; scripts/lsan.supp only lists leaks in system libraries.
set -euo pipefail
cd "$(dirname "$0")/.."
# clang, with its sanitizer and libFuzzer runtimes (which clang only recommends).
scripts/install-packages.sh clang libclang-rt-14-dev
build=${ASAN_BUILD_DIR:-build-asan}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWINGSCRIBE_SANITIZE=ON -DWINGSCRIBE_BENCH=OFF >/dev/null
cmake --build "$build"
export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
ctest --output-on-failure --timeout 300 -j2 -E e2e
