#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the Windows build and its tests need, skipping what is already
# there: the MinGW-w64 cross compiler, Debian's Qt host tools (moc, rcc), Wine, NSIS, zip,
# and the virtual display the end-to-end check runs on. Needs root (or sudo).
set -euo pipefail

# Wine's X11 driver loads the X extension libraries it finds; Wine only recommends them.
packages=(
  cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools xz-utils
  wine64 nsis zip xvfb openbox xdotool x11-utils imagemagick python3
  libxcursor1 libxfixes3 libxi6 libxinerama1 libxrandr2 libxrender1 libxcomposite1
)

"$(dirname "$0")/../install-packages.sh" "${packages[@]}"
