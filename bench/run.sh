#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Performance gates: Wingscribe side by side with a bare Qt window (bench_baseline), on a private
# X display (Xvfb + openbox). Builds build-bench/ first; takes about five minutes.
# Usage: bench/run.sh     Settings: RUNS=40 MESSAGES=100000 IDLE_SECONDS=60 LATENCY_MESSAGES=10000
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != --on-display ]; then
  BUILD_DIR=build-bench scripts/build.sh
  exec scripts/with-display.sh "$0" --on-display
fi

B=build-bench RUNS=${RUNS:-40} MESSAGES=${MESSAGES:-100000} IDLE=${IDLE_SECONDS:-60}
export QT_QPA_PLATFORM=xcb
work=$(mktemp -d) log=$(mktemp --suffix=.bench.log)
trap 'kill $(jobs -p) 2>/dev/null || true; wait || true; rm -rf "$work"' EXIT
echo "program output goes to $log"

source bench/common.sh
cpu_ms() { awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) * 1000 / hz }' "/proc/$1/stat"; }
median() {
  sort -n | awk '{ v[NR] = $1 }
    END { m = int((NR + 1) / 2); printf "%.1f", (v[m] + v[NR + 1 - m]) / 2 }'
}
start_feed --count 1 && stop $feed && noone=$port # a port that nobody listens on

echo "== start-up: $RUNS runs each, alternating, after one unrecorded run each"
for i in $(seq 0 "$RUNS"); do
  for program in wingscribe baseline; do
    launch $program $noone
    [ "$i" = 0 ] || echo "$ms" >>"$work/start.$program"
    stop $watcher
  done
done
start_w=$(median <"$work/start.wingscribe") start_b=$(median <"$work/start.baseline")

echo "== memory: $MESSAGES messages, 1 ms apart, in 10 connections"
launch baseline && sleep 3 && hwm_b=$(status $pid VmHWM) && stop $watcher
start_feed --count 1 && stop $feed # the port is free again: the feeds below take it in turn
launch wingscribe $port && sleep 3 && hwm_start=$(status $pid VmHWM)
for batch in $(seq 10); do
  timeout 600 "$B/tools/wingscribe-feed" --port $port --count $((MESSAGES / 10)) \
    --interval-ms 1 --types 0128 --once --exit-after-close >/dev/null 2>>"$log"
  sleep 2 # the window has handled what was left in its socket
  [ "$batch" = 1 ] && rss_10=$(status $pid VmRSS)
done
rss_100=$(status $pid VmRSS) hwm_100=$(status $pid VmHWM)
stop $watcher

echo "== idle: $IDLE s, connected and waiting side by side, after 5 s of settling"
start_feed --count 1
launch wingscribe $port && connected=$pid watchers=$watcher
launch wingscribe $noone && waiting=$pid watchers="$watchers $watcher"
launch baseline && bare=$pid watchers="$watchers $watcher"
sleep 5
before=$(for p in $connected $waiting $bare; do cpu_ms $p; done)
sleep "$IDLE"
read -r -d '' idle_c idle_w idle_b < <(for p in $connected $waiting $bare; do cpu_ms $p; done |
  paste - <(echo "$before") | awk -v s="$IDLE" '{ printf "%.0f\n", ($1 - $2) * 60 / s }') || true
for w in $watchers $feed; do stop $w; done

echo "== message path and flood (bench_message_path on the same display)"
"$B/bench/bench_message_path" "${LATENCY_MESSAGES:-10000}" 2>>"$log" | tee "$work/path"
path() { awk -v m="$1" -v f="$2" 'index($0, m) { printf "%.3f", $(NF - f) / 1000 }' "$work/path"; }
rate=$(awk '/highest sustained rate/ { print $4 }' "$work/path")

row() { # FIGURE WINGSCRIBE BASELINE GOAL MET
  printf '%-44s %12s %12s %-22s %s\n' "$@"
}
verdict() { awk "BEGIN { print ($1) ? \"yes\" : \"NO\" }"; }
echo
echo "Wingscribe performance gates, $(about), load $(cut -d' ' -f1-3 /proc/loadavg)"
row figure Wingscribe baseline goal met
ratio=$(awk "BEGIN { printf \"%.2f\", $start_w / $start_b }")
row "start-up to first expose, median (ms)" "$start_w" "$start_b" "<= 1.15 x baseline" \
  "$(verdict "$start_w <= 1.15 * $start_b") ($ratio x)"
row "peak RSS after start, VmHWM (MB)" "$hwm_start" "$hwm_b" "<= baseline + 8" \
  "$(verdict "$hwm_start <= $hwm_b + 8")"
row "peak RSS after $MESSAGES messages (MB)" "$hwm_100" "$hwm_b" "<= baseline + 8" \
  "$(verdict "$hwm_100 <= $hwm_b + 8")"
row "RSS after $((MESSAGES / 10)) / $MESSAGES messages (MB)" "$rss_10 / $rss_100" - "no growth" \
  "$(verdict "$rss_100 <= $rss_10 + 0.5")"
label_p99=$(path "send -> label" 1) paint_p99=$(path "repainted" 1)
row "send -> label text, median / p99 (ms)" "$(path "send -> label" 2) / $label_p99" - \
  "p99 < 2" "$(verdict "$label_p99 < 2")"
row "send -> repainted, median / p99 (ms)" "$(path "repainted" 2) / $paint_p99" - \
  "p99 < 16.7" "$(verdict "$paint_p99 < 16.7")"
row "flood: highest sustained rate (msg/s)" "$rate" - "reported" -
row "idle CPU connected, per 60 s (ms)" "$idle_c" "$idle_b" "< 60" "$(verdict "$idle_c < 60")"
row "idle CPU waiting for simulator, per 60 s (ms)" "$idle_w" "$idle_b" "< 60" \
  "$(verdict "$idle_w < 60")"
