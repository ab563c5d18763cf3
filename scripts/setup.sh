#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Wingscribe needs to build, run and test, skipping what is
# already there. Needs root (or sudo).
set -euo pipefail

# libclang-rt-14-dev holds clang's sanitizer and libFuzzer runtimes (only recommended by clang).
# dpkg-dev computes the package's library dependencies; lintian, desktop-file-utils and
# appstream check the package.
packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev qt6-base-dev qt6-base-dev-tools libgl-dev
  xvfb openbox xdotool x11-utils imagemagick fonts-liberation fonts-liberation2 python3
  dpkg-dev lintian desktop-file-utils appstream
)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
