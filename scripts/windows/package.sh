#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Packages a Windows build: the portable zip and the per-user installer.
#   package.sh BUILD_DIR QT_KIT OUT_DIR
# Writes OUT_DIR/wingscribe-<version>-windows-x64.zip (a folder Wingscribe/ with the program,
# exactly the DLLs it loads, stripped, and their licences in licenses/), OUT_DIR/wingscribe-
# <version>-setup.exe and OUT_DIR/SHA256SUMS.
#
# The same commit gives the same bytes, whatever the folder, the time, the time zone or the
# umask: every time stamp is the last commit's (SOURCE_DATE_EPOCH when set), files go into the
# archives in sorted order with fixed permissions, and strip keeps each file's own PE time
# stamp (the program has none). scripts/windows/check-reproducible.sh checks it.
set -euo pipefail
build=$(realpath "$1") kit=$(realpath "$2")
mkdir -p "$3"
out=$(realpath "$3")
here=$(cd "$(dirname "$0")/../.." && pwd)
cross=x86_64-w64-mingw32
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "package: no project version in $build/CMakeCache.txt" >&2; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct) ||
    { echo "package: no git history here; set SOURCE_DATE_EPOCH" >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022

stage=$out/stage/Wingscribe
rm -rf "$out/stage"
mkdir -p "$stage/platforms" "$stage/licenses"
cp "$build/wingscribe.exe" "$stage/"
for module in Core Gui Widgets; do cp "$kit/bin/Qt6$module.dll" "$stage/"; done
cp "$kit/plugins/platforms/qwindows.dll" "$stage/platforms/"
# No style plugin: Qt's built-in Windows style draws the controls in the colours the dialogs
# are designed with (the themed windowsvista style paints its own over the combo boxes').
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp "$(realpath "$("$cross-g++-posix" -print-file-name="$dll")")" "$stage/"
done

# strip writes SOURCE_DATE_EPOCH, or else the current time, into the PE header: it is given
# the time stamp the file already has (0 for the program, linked without one).
pe_stamp() { # the TimeDateStamp of a PE file's COFF header
  od -An -tu4 -j$(($(od -An -tu4 -j60 -N4 "$1") + 8)) -N4 "$1" | tr -d ' '
}
find "$stage" -name '*.exe' -o -name '*.dll' | while read -r file; do
  SOURCE_DATE_EPOCH=$(pe_stamp "$file") "$cross-strip" --strip-unneeded "$file"
done

# Every DLL a shipped file imports is either shipped or part of Windows.
shipped=$(cd "$stage" && find . -name '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')
for file in $(find "$stage" -name '*.exe' -o -name '*.dll'); do
  for dll in $("$cross-objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    grep -qx "$dll" <<<"$shipped" && continue
    [ -e "/usr/$cross/lib/lib${dll%.dll}.a" ] || [[ $dll == api-ms-win-* ]] ||
      { echo "package: $file needs $dll, which is neither shipped nor a system DLL" >&2; exit 1; }
  done
done

# The licences: the program's, Qt's and the MinGW-w64 runtime's, with where each came from.
runtime() { # PACKAGE: "package version" and "source=version ..." for apt-get source
  local fields
  fields=$(dpkg-query -W -f='${Package} ${Version}|${source:Package}=${source:Version}|${Built-Using}' "$1")
  echo "${fields%%|*}"
  fields=${fields#*|}
  echo "${fields%%|*}" $(sed 's/ (= /=/g; s/)//g; s/,//g' <<<"${fields#*|}")
}
gcc=$(runtime gcc-mingw-w64-x86-64-posix-runtime) winpthread=$(runtime mingw-w64-x86-64-dev)
cp "$here/LICENSE" "$stage/licenses/GPL-3.0.txt"
cp "$here"/packaging/windows/licenses/*.txt "$stage/licenses/"
sed -e "s|@VERSION@|$version|" -e "s|@GCC_RUNTIME@|${gcc%%$'\n'*}|" \
  -e "s|@GCC_SOURCE@|${gcc#*$'\n'}|" -e "s|@WINPTHREAD@|${winpthread%%$'\n'*}|" \
  -e "s|@WINPTHREAD_SOURCE@|${winpthread#*$'\n'}|" \
  "$here/packaging/windows/licenses/README.txt.in" >"$stage/licenses/README.txt"

# Fixed permissions and times, and one order: sorted by name.
find "$stage/.." -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
find "$stage/.." -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
files=$(cd "$out/stage" && find Wingscribe -mindepth 1 -type f | sort)

zip=$out/wingscribe-$version-windows-x64.zip
rm -f "$zip"
(cd "$out/stage" && find Wingscribe | sort | zip -q -X -9 -@ "$zip")

# The installer installs and removes exactly these files; it handles the program itself.
nsh=$out/stage/files
: >"$nsh-install.nsh"
: >"$nsh-remove.nsh"
for file in $(grep -vx 'Wingscribe/wingscribe.exe' <<<"$files"); do
  name=${file#Wingscribe/}
  dir=$(dirname "$name")
  [ "$dir" = . ] && dir= || dir=\\${dir//\//\\}
  echo "SetOutPath \"\$INSTDIR$dir\"" >>"$nsh-install.nsh"
  echo "File \"$out/stage/$file\"" >>"$nsh-install.nsh"
  echo "Delete \"\$INSTDIR\\${name//\//\\}\"" >>"$nsh-remove.nsh"
done
for dir in $(cd "$out/stage" && find Wingscribe -mindepth 1 -type d | sort -r); do
  dir=${dir#Wingscribe/}
  echo "RMDir \"\$INSTDIR\\${dir//\//\\}\"" >>"$nsh-remove.nsh"
done

setup=$out/wingscribe-$version-setup.exe
makensis -V2 -WX -DVERSION="$version" -DSOURCE="$stage" -DOUTFILE="$setup" \
  -DINSTALL_FILES="$nsh-install.nsh" -DREMOVE_FILES="$nsh-remove.nsh" \
  -DICON="$here/resources/windows/wingscribe.ico" "$here/packaging/windows/wingscribe.nsi"

(cd "$out" && sha256sum "${zip##*/}" "${setup##*/}" >SHA256SUMS)
echo "$(du -k "$zip" | cut -f1) KiB  $zip"
echo "$(du -k "$setup" | cut -f1) KiB  $setup"
