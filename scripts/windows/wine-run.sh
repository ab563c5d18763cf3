#!/usr/bin/env bash
# Runs a program of the Windows cross build under Wine; CTest's emulator for that build.
#   wine-run.sh PREFIX DLL_DIRS PLUGIN_DIR PROGRAM [ARGS...]
# PREFIX is the Wine prefix, made on first use. DLL_DIRS are the Unix folders (':' between
# them) the program's DLLs are in; PLUGIN_DIR is Qt's plugin folder (either may be empty).
# Wine hands no QT_* variable to a Windows program, only WINEQT_* as QT_*: the QT_* variables
# given here (the tests' QT_QPA_PLATFORM=offscreen) are passed on that way.
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

# The first run makes the prefix (10-20 s); parallel tests wait for it.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || true
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -w 2>/dev/null || true
  fi
) 9>"$prefix.lock"

exec "$wine" "$@"
