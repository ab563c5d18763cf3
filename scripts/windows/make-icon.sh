#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes resources/windows/wingscribe.ico, the Windows program icon, with ImageMagick: the drawing of
# resources/wingscribe.svg at 256, 48 and 16 pixels, and resources/wingscribe-32.png at 32.
# ImageMagick on Debian needs a helper program to read SVG, so the three shapes of the SVG
# are drawn here directly, in its own 32-unit coordinates. Run it after changing the drawing.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

draw() { # size
  local k
  k=$(awk "BEGIN { print $1 / 32 }")
  convert -size "$1x$1" xc:none \
    -fill '#000000' -stroke '#7a7a7a' -strokewidth 1.5 \
    -draw "scale $k,$k roundrectangle 1,9 31,23 2,2" \
    -stroke none -fill '#00ff00' \
    -draw "scale $k,$k rectangle 4,13 21,15" \
    -draw "scale $k,$k rectangle 4,17 27,19" \
    "PNG32:$work/$1.png"
}
draw 256
draw 48
draw 16
convert resources/wingscribe-32.png "PNG32:$work/32.png"
convert "$work/256.png" "$work/48.png" "$work/32.png" "$work/16.png" resources/windows/wingscribe.ico
identify resources/windows/wingscribe.ico
