#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up and runs the test suite: installs the Debian packages, builds, and runs
# every test through CTest (the desktop tests on a private virtual display). The long runs,
# the suite under ASan and UBSan (scripts/sanitize.sh), fuzzing (scripts/fuzz.sh) and the
# check that one commit builds the same package twice (scripts/check-reproducible.sh), are
# CI's: see .ci/run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure --timeout 300 -j2
