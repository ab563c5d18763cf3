#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Wingscribe keeps its settings file beside its executable. An installed copy lives in a
# folder users cannot write to, so each user runs a private copy of the program from
# ${XDG_DATA_HOME:-~/.local/share}/wingscribe, where wingscribe.ini then lives too.
# The copy is refreshed whenever the installed program changes; settings are kept.
# Two launches at the same moment are safe: the check and the refresh run under a lock, so a
# launch never replaces the copy that another one has just started (a running program whose
# file is replaced no longer knows its own path); the copy is written under a name of its own
# and renamed into place, so the file is always whole; and the program itself refuses to run
# twice from the same place.
set -u
version='@PROJECT_VERSION@'

data_home=${XDG_DATA_HOME:-}
case $data_home in /*) ;; *) data_home=${HOME:-}/.local/share ;; esac
home_dir=$data_home/wingscribe

case ${1-} in
--help | -h)
  cat <<EOF
Usage: wingscribe [--help | --version]

Shows the radio and ATIS texts of an air-traffic-control simulator (KVE / KV3) in a long,
low caption window. Wingscribe itself takes no options: right-click its text for Options,
Setup and End. Settings are kept in $home_dir/wingscribe.ini.

This command copies the installed program to $home_dir/
(again after each upgrade) and runs that copy, so that every user has a settings file of
their own. See wingscribe(1).
EOF
  exit 0
  ;;
--version | -v)
  echo "wingscribe $version"
  exit 0
  ;;
"") ;;
*)
  echo "wingscribe: unknown argument '$1': Wingscribe takes no arguments (see wingscribe --help)" >&2
  exit 2
  ;;
esac

# One line on why the program cannot start, with the system's reason when there is one.
fail() {
  reason=${2:-}
  reason=${reason##*: }
  echo "wingscribe: cannot start: $1${reason:+ ($reason)}" >&2
  exit 1
}

here=$(dirname "$(readlink -f "$0")")
installed=$here/../lib/wingscribe/wingscribe
[ -f "$installed" ] || fail "the installed program $installed is missing; reinstall the wingscribe package"
case $home_dir in
/*) ;;
*)
  [ -n "${HOME:-}" ] || fail "neither HOME nor XDG_DATA_HOME is set"
  fail "HOME ($HOME) is not an absolute path"
  ;;
esac
copy=$home_dir/wingscribe

# Whether the copy is the installed program, and can run.
current() {
  cmp -s -- "$installed" "$copy" 2>/dev/null && [ -f "$copy" ] && [ -x "$copy" ]
}

refresh_copy() {
  err=$(mkdir -p "$home_dir" 2>&1) || fail "cannot make the folder $home_dir for your copy of the program" "$err"
  err=$( (: >>"$home_dir/.launch.lock") 2>&1) || fail "cannot write into $home_dir" "$err"
  exec 9<"$home_dir/.launch.lock"
  flock -w 60 9 || fail "another launch has held $home_dir/.launch.lock for a minute"
  if ! current; then # again: a launch that held the lock may have done it
    if [ -e "$copy" ] || [ -L "$copy" ]; then
      [ -f "$copy" ] || fail "$copy is in the way of your copy of the program: it is not a file"
    fi
    # Copies that an interrupted launch left behind.
    find "$home_dir" -maxdepth 1 -name '.wingscribe.new.*' -exec rm -f {} + 2>/dev/null
    err=$(mktemp "$home_dir/.wingscribe.new.XXXXXX" 2>&1) ||
      fail "cannot write your copy of the program into $home_dir" "$err"
    new=$err
    if ! err=$({ cp "$installed" "$new" && chmod 755 "$new" && mv -fT "$new" "$copy"; } 2>&1); then
      rm -f "$new"
      fail "cannot write your copy of the program to $copy" "$err"
    fi
  fi
  exec 9<&- # the lock ends here; the program's own single-instance test takes over
}

current || refresh_copy
[ -x "$copy" ] || fail "your copy of the program $copy cannot be run there (a noexec file system?)"
exec "$copy"
