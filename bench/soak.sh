#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak: Wingscribe against the demo feed for SOAK_SECONDS (600) of compressed traffic (a message
# every 5 ms, types 0, 1, 2 and 8), the feed ending each connection 3 s after it opened, by close
# and by reset in turn. Samples the program's resident set and open descriptors every 10 s, and
# times each reconnection on the feed's side (traced with strace): from the feed closing one
# connection to it accepting the next, after which it sends the first message at once.
# Usage: bench/soak.sh     (builds build-bench/ first)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != --on-display ]; then
  BUILD_DIR=build-bench scripts/build.sh
  exec scripts/with-display.sh "$0" --on-display
fi

B=build-bench SOAK=${SOAK_SECONDS:-600}
export QT_QPA_PLATFORM=xcb
work=$(mktemp -d) log=$(mktemp --suffix=.soak.log)
trap 'kill ${server:-} $(jobs -p) 2>/dev/null || true; wait || true; rm -rf "$work"' EXIT
source bench/common.sh
echo "program output goes to $log; $SOAK s, a sample every 10 s"

feed_wrapper="strace -f -qq --seccomp-bpf -ttt -e trace=accept,accept4,close -o $work/trace"
start_feed --count 0 --interval-ms 5 --types 0128 --drop-every-ms 3000
server=$(pgrep -P $feed) # strace ends with the feed, not on a signal of its own
launch wingscribe $port
for ((t = 10; t <= SOAK; t += 10)); do
  sleep 10
  kill -0 $pid 2>/dev/null || { echo "Wingscribe ended during the soak:"; tail -3 "$log"; exit 1; }
  echo "$t $(status $pid VmRSS) $(ls /proc/$pid/fd | wc -l)" | tee -a "$work/samples"
done
stop $watcher
kill $server && wait $feed || true

summary() { # COLUMN NAME UNIT
  awk -v c="$1" -v n="$2" -v u="$3" 'NR == 1 || $c < lo { lo = $c } NR == 1 || $c > hi { hi = $c }
    { last = $c } END { printf "%-22s min %7s  max %7s  last %7s %s\n", n, lo, hi, last, u }' \
    "$work/samples"
}
echo
echo "Wingscribe soak of $SOAK s, $(about)"
summary 2 "resident set (VmRSS)" MB
summary 3 "open descriptors" ""
# Connection descriptors are the ones accept returned; the close of one is the feed's drop.
awk '/accept4?\(/ && $NF ~ /^[0-9]+$/ { if (down) print ($2 - down) * 1000; fd = $NF; down = 0 }
     fd != "" && $3 == "close(" fd ")" { down = $2 }' "$work/trace" | sort -n |
  awk '{ gap[NR] = $1 } $1 > 2000 { late++ }
       END { printf "reconnections %d: drop -> accepted again, median %.0f ms, max %.0f ms, " \
             "over 2 s: %d\n", NR, gap[int((NR + 1) / 2)], gap[NR], late }'
