#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Packages a Windows build: the portable zip and the per-user installer.
#   package.sh BUILD_DIR QT_KIT OUT_DIR
# Writes OUT_DIR/wingscribe-<version>-windows-x64.zip (a folder Wingscribe/ with the program
# and exactly the DLLs it loads, stripped) and OUT_DIR/wingscribe-<version>-setup.exe.
set -euo pipefail
build=$(realpath "$1") kit=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
here=$(cd "$(dirname "$0")/../.." && pwd)
cross=x86_64-w64-mingw32
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package: no project version in $build/CMakeCache.txt" >&2; exit 1; }

stage=$out/stage/Wingscribe
rm -rf "$out/stage"
mkdir -p "$stage/platforms"
cp "$build/wingscribe.exe" "$stage/"
for module in Core Gui Widgets Network; do cp "$kit/bin/Qt6$module.dll" "$stage/"; done
cp "$kit/plugins/platforms/qwindows.dll" "$stage/platforms/"
# No style plugin: Qt's built-in Windows style draws the controls in the colours the dialogs
# are designed with (the themed windowsvista style paints its own over the combo boxes').
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(realpath "$("$cross-g++-posix" -print-file-name="$dll")")" "$stage/"
done
find "$stage" -name '*.exe' -o -name '*.dll' | xargs "$cross-strip" --strip-unneeded

# Every DLL a shipped file imports is either shipped or part of Windows.
shipped=$(cd "$stage" && find . -name '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')
for file in $(find "$stage" -name '*.exe' -o -name '*.dll'); do
  for dll in $("$cross-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    grep -qx "$dll" <<<"$shipped" && continue
    [ -e "/usr/$cross/lib/lib${dll%.dll}.a" ] || [[ $dll == api-ms-win-* ]] ||
      { echo "package: $file needs $dll, which is neither shipped nor a system DLL" >&2; exit 1; }
  done
done

# The files carry the time of the last commit, so that the same source gives the same zip.
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct 2>/dev/null || date +%s)}
zip=$out/wingscribe-$version-windows-x64.zip
rm -f "$zip"
(cd "$out/stage" && find Wingscribe -exec touch -d @"$stamp" {} + &&
  zip -q -X -9 -r "$zip" Wingscribe)

setup=$out/wingscribe-$version-setup.exe
makensis -V2 -WX -DVERSION="$version" -DSOURCE="$stage" -DOUTFILE="$setup" \
  -DICON="$here/resources/windows/wingscribe.ico" "$here/packaging/windows/wingscribe.nsi"

echo "$(du -k "$zip" | cut -f1) KiB  $zip"
echo "$(du -k "$setup" | cut -f1) KiB  $setup"
