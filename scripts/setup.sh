#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Wingscribe needs to build, run and test, skipping what is
# already there. Needs root (or sudo).
set -euo pipefail

# dpkg-dev computes the package's library dependencies and gives Debian's build flags;
# lintian, desktop-file-utils and appstream check the package. (The sanitizer and fuzz runs
# install clang themselves.)
packages=(
  cmake ninja-build g++ git qt6-base-dev qt6-base-dev-tools libgl-dev
  xvfb openbox xdotool x11-utils imagemagick fonts-liberation fonts-liberation2 python3
  dpkg-dev lintian desktop-file-utils appstream
)

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
