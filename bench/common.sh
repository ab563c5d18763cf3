# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers of bench/run.sh and bench/soak.sh (sourced; needs B, work and log set).

settings() { # PORT: the defaults of a first run, pointed at 127.0.0.1:PORT, ATIS shown too
  printf '%s\r\n' '[Config]' FirstRun=1 LeftPos=6000 TopPos=6000 BackCol=0 TextCol=65280 \
    HBackCol=0 HTextCol=65280 Font=Arial FontSize=12 FontBold=0 FontItalic=0 Border=1 \
    KVEServer=127.0.0.1 "KVEPort=$1" AtcComs=1 OwnComs=1 MsgDelay=30 LastMsg=1 \
    HighlightTX2U=0 AlwaysOnTop=0 ShowATIS=1
}

# launch wingscribe PORT | launch baseline: starts a fresh copy in a folder of its own under the
# start-up watcher; sets ms (time to the first Expose), pid (the program) and watcher.
launch() {
  local dir title=Baseline exe=$B/bench/bench_baseline
  dir=$(mktemp -d -p "$work")
  if [ "$1" = wingscribe ]; then
    title=Wingscribe exe=$B/wingscribe
    settings "$2" >"$dir/wingscribe.ini"
  fi
  strip -o "$dir/${exe##*/}" "$exe" # both as a package installs them, without debug information
  XDG_RUNTIME_DIR=$dir "$B/bench/bench_first_expose" "$title" "$dir/${exe##*/}" \
    >"$dir/started" 2>>"$log" &
  watcher=$!
  until [ -s "$dir/started" ]; do
    kill -0 $watcher 2>/dev/null || { echo "$1 did not show its window, see $log"; exit 1; }
    sleep 0.02
  done
  read -r ms pid <"$dir/started"
}

stop() { kill "$1" && wait "$1" || true; }
status() { awk -v key="$2:" '$1 == key { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; } # MB

start_feed() { # ARGS...: a demo feed on a free port; sets feed and port
  rm -f "$work/feed"
  ${feed_wrapper:-} "$B/tools/wingscribe-feed" --port 0 "$@" >"$work/feed" 2>>"$log" &
  feed=$!
  until grep -q listening "$work/feed" 2>/dev/null; do sleep 0.02; done
  port=$(awk '{ print $3 }' "$work/feed")
}

about() { # when, which commit, on what
  echo "$(date -u '+%F %H:%M UTC'), commit $(git describe --always --dirty 2>/dev/null)," \
    "$(nproc) x $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
    "$(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo)"
}
