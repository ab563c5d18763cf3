#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up and runs the whole test suite: installs the Debian packages, builds,
# and runs every test through CTest (the desktop tests on a private virtual display); then
# the same tests under ASan and UBSan, and the fuzz targets for FUZZ_SECONDS each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure --timeout 300 -j2)
scripts/sanitize.sh
scripts/fuzz.sh
