#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program of the Windows cross build under Wine; CTest's emulator for that build.
#   wine-run.sh PREFIX DLL_DIRS PLUGIN_DIR PROGRAM [ARGS...]
# PREFIX is the Wine prefix, made on first use. DLL_DIRS are the Unix folders (':' between
# them) the program's DLLs are in; PLUGIN_DIR is Qt's plugin folder (either may be empty).
# Wine hands no QT_* variable to a Windows program, only WINEQT_* as QT_*: the QT_* variables
# given here (the tests' QT_QPA_PLATFORM=offscreen) are passed on that way. The program's output
# (stdout and stderr together) is shown when it ends; WINE_RUN_STREAM=1 passes it on live.
set -euo pipefail
prefix=$1 dll_dirs=$2 plugin_dir=$3
shift 3
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)

windows_path() { # an absolute Unix path on Wine's Z: drive
  local path=${1//\//\\}
  printf 'Z:%s' "$path"
}

# No Mono or Gecko prompts, and no menu entries or file types of Wine's in the user's desktop.
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Qt on Windows logs to the debugger unless told otherwise; the test output is on stderr.
export WINEQT_FORCE_STDERR_LOGGING=1
for name in $(compgen -e); do
  [[ $name == QT_* ]] && export "WINE$name=${!name}"
done
if [ -n "$dll_dirs" ]; then
  path=
  IFS=: read -ra dirs <<<"$dll_dirs"
  for dir in "${dirs[@]}"; do path+="${path:+;}$(windows_path "$dir")"; done
  export WINEPATH=$path
fi
[ -z "$plugin_dir" ] || export WINEQT_PLUGIN_PATH="$(windows_path "$plugin_dir")"

# One Wine server for a whole run, kept for a minute after its last program, with Wine's own
# background services started here. The first run also makes the prefix (10-20 s); programs
# started meanwhile wait for it.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  wineserver=$(dirname "$(realpath "$wine")")/wineserver
  [ -x "$wineserver" ] || wineserver=$(command -v wineserver)
  # (What is started here must not keep the lock: 9>&-.)
  if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 9>&- || true
    "$wineserver" -w
  fi
  if "$wineserver" -p60 >/dev/null 2>&1 9>&-; then # fails when one is running already
    "$wine" wineboot >/dev/null 2>&1 9>&- || true
  fi
) 9>"$prefix.lock"

# A helper process Wine starts for a program (its desktop window, a service) inherits the
# program's output and outlives it; CTest would wait for it to close that output. So the output
# goes through a file, shown when the program ends, unless WINE_RUN_STREAM=1 asks for it live.
if [ "${WINE_RUN_STREAM:-0}" = 1 ]; then
  exec "$wine" "$@"
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
"$wine" "$@" >"$out" 2>&1 </dev/null || status=$?
cat "$out"
exit "$status"
