#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) into build-fuzz/ and runs them side by
# side for FUZZ_SECONDS (default 60) each, on copies of the seed corpora in fuzz/corpus/, so
# the committed corpora do not grow. Fails on any crash, leak, hang or broken invariant; the
# input that did it is kept in build-fuzz/fuzz-artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
# clang, with its sanitizer and libFuzzer runtimes (which clang only recommends).
scripts/install-packages.sh clang libclang-rt-14-dev
build=${FUZZ_BUILD_DIR:-build-fuzz}
case $build in /*) ;; *) build=$PWD/$build ;; esac # libFuzzer's artifact prefix must be absolute
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DWINGSCRIBE_FUZZ=ON -DWINGSCRIBE_SANITIZE=ON -DBUILD_TESTING=OFF -DWINGSCRIBE_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_profile fuzz_intake

export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-artifacts"
for target in profile intake; do
  cp -r "fuzz/corpus/$target" "$work/$target"
  "$build/fuzz/fuzz_$target" -max_total_time="${FUZZ_SECONDS:-60}" -max_len=4096 -timeout=30 \
    -artifact_prefix="$build/fuzz-artifacts/" -print_final_stats=1 "$work/$target" \
    >"$work/$target.log" 2>&1 &
  eval "pid_$target=$!"
done
status=0
for target in profile intake; do
  pid=pid_$target
  if wait "${!pid}"; then
    echo "fuzz_$target: $(grep -o 'stat::number_of_executed_units: [0-9]*' "$work/$target.log" |
      grep -o '[0-9]*$') runs, no failure"
  else
    echo "fuzz_$target FAILED:" && grep -v -E '^#[0-9]+\s' "$work/$target.log" | tail -n 60
    status=1
  fi
done
exit $status
