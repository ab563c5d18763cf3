#!/bin/sh
# Wingscribe keeps its settings file beside its executable. An installed copy lives in a
# folder users cannot write to, so each user runs a private copy of the program from
# ${XDG_DATA_HOME:-~/.local/share}/wingscribe, where wingscribe.ini then lives too.
# The copy is refreshed whenever the installed program changes; settings are kept.
set -e
here=$(dirname "$(readlink -f "$0")")
installed=$here/../lib/wingscribe/wingscribe
home_dir=${XDG_DATA_HOME:-$HOME/.local/share}/wingscribe
mkdir -p "$home_dir"
if ! cmp -s "$installed" "$home_dir/wingscribe"; then
  cp "$installed" "$home_dir/wingscribe.new"
  chmod 755 "$home_dir/wingscribe.new"
  mv -f "$home_dir/wingscribe.new" "$home_dir/wingscribe"
fi
exec "$home_dir/wingscribe" "$@"
