#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that one commit always gives the same Debian package: clones the current commit
# into two fresh folders of different names and builds and packages each in turn, so at
# different times, and in different time zones and locales; then compares the two packages
# and their SHA256SUMS byte for byte. Takes two builds of the program (CI runs it).
# Both run under umask 022: cpack gives the package's three members the modes of its own
# temporary files. Usage: scripts/check-reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(git rev-parse --path-format=absolute --git-common-dir)
commit=$(git rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Every date must come from the commit itself, and every object from this build.
unset SOURCE_DATE_EPOCH CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER

umask 022
build() { # FOLDER TZ LOCALE
  git clone -q --shared --no-checkout "$repo" "$1"
  git -C "$1" checkout -q --detach "$commit"
  (cd "$1" && export TZ=$2 LC_ALL=$3 &&
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
      -DWINGSCRIBE_BENCH=OFF >/dev/null &&
    cmake --build build >/dev/null && cd build && cpack -G DEB >/dev/null)
  echo "built $(git -C "$1" log -1 --format=%h) in $1 at $(date -u +%T)"
}
first=$work/first
second=$work/another-folder/wingscribe
build "$first" UTC0 C
build "$second" XYZ-13 C.UTF-8

deb=$(cd "$first/build" && ls ./*.deb)
if cmp -s "$first/build/$deb" "$second/build/$deb" &&
  cmp -s "$first/build/SHA256SUMS" "$second/build/SHA256SUMS"; then
  echo "reproducible: ${deb#./} built twice, SHA-256 $(cut -d' ' -f1 "$first/build/SHA256SUMS")"
  exit 0
fi
echo "FAIL: two builds of one commit give different packages:" >&2
cat "$first/build/SHA256SUMS" "$second/build/SHA256SUMS" >&2
for dir in "$first" "$second"; do # what differs: file lists with modes and times, contents
  mkdir "$dir/unpacked"
  (cd "$dir/unpacked" && ar x "../build/$deb" && for tarball in *.tar.*; do
    tar -tvf "$tarball" >"${tarball%%.*}.list" && mkdir "${tarball%%.*}" && tar -xf "$tarball" -C "${tarball%%.*}"
  done && rm ./*.tar.*)
done
diff -r "$first/unpacked" "$second/unpacked" | head -n 40 >&2
exit 1
