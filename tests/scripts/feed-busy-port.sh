#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The demo feed, asked for a port it cannot have, says in one line which port to use instead
# and which KVEPort to set, and that port works. Usage: feed-busy-port.sh WINGSCRIBE_FEED
set -euo pipefail
feed=$1
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT

start_feed() { # port, output file
  "$feed" --port "$1" >"$2" 2>"$2.err" &
  pids+=($!)
}
port_of() { # output file, pid: the port that feed listens on, once it says so
  for _ in $(seq 100); do
    grep -q "listening on" "$1" && { sed -n 's/^listening on //p' "$1"; return; }
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

start_feed 0 "$work/first"
busy=$(port_of "$work/first" "${pids[-1]}")
if "$feed" --port "$busy" >/dev/null 2>"$work/refused"; then
  echo "a second feed listened on busy port $busy"; exit 1
fi
[ "$(wc -l <"$work/refused")" -eq 1 ] || { echo "advice is not one line:"; cat "$work/refused"; exit 1; }
advised=$(sed -n 's/.*--port \([0-9]*\) and put KVEPort=\([0-9]*\) .*/\1 \2/p' "$work/refused")
read -r port kveport <<<"$advised" || true
[ -n "${port:-}" ] && [ "$port" = "$kveport" ] && [ "$port" != "$busy" ] ||
  { echo "no usable advice:"; cat "$work/refused"; exit 1; }
start_feed "$port" "$work/second"
[ "$(port_of "$work/second" "${pids[-1]}")" = "$port" ] || { echo "advised port $port does not work"; exit 1; }
echo "busy port $busy: advised --port $port and KVEPort=$port, which works"
