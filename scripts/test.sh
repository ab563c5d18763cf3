#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: installs the Debian packages, builds,
# and runs every test through CTest (the desktop tests on a private virtual display).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure --timeout 300 -j2
