#!/usr/bin/env bash
# The whole program, as a user starts it: process start to the login window, then the login
# answered (Enter) to the main window and the end (--quit), on a fresh data folder and on one
# whose four year tables hold 100,000 rows each. Needs the release build (scripts/setup):
#   bench/bench_process.sh [RUNS]        (starts its own virtual display)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}

if [ "${2:-}" != "--measure" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  build/bench/bench_fill "$work/large" 100000  # before the display starts: it takes a while
  xvfb-run -a -s "-noreset -screen 0 1024x768x24" "$0" "$runs" --measure "$work"
  exit
fi

work=$3
korvane=$PWD/build/bin/korvane
export QT_QPA_PLATFORM=xcb HOME="$work" XDG_CONFIG_HOME="$work/config"  # the user's settings stay out of it
now() { date +%s%N; }
ms() { echo $(( ($1) / 1000000 )); }

# One start: prints "to-login after-login" in milliseconds.
start_once() {
  local home=$1 t0 t1 t2 login="" pid
  t0=$(now)
  KORVANE_HOME=$home "$korvane" --quit >>"$work/korvane.log" 2>&1 &
  pid=$!
  until login=$(xdotool search --onlyvisible --name 'Đăng nhập' 2>/dev/null); do
    kill -0 $pid 2>/dev/null || { echo "korvane ended before its login window:" >&2; cat "$work/korvane.log" >&2; exit 1; }
    sleep 0.005
  done
  t1=$(now)
  xdotool windowfocus --sync "$(echo "$login" | head -1)" key Return
  wait $pid
  t2=$(now)
  echo "$(ms "t1 - t0") $(ms "t2 - t1")"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

report() {
  local name=$1 file=$2
  printf '%-26s start to login %5s ms   login to main window and exit %5s ms   whole %5s ms   (median of %s)\n' "$name" \
    "$(cut -d' ' -f1 "$file" | median)" "$(cut -d' ' -f2 "$file" | median)" \
    "$(awk '{ print $1 + $2 }' "$file" | median)" "$(wc -l < "$file")"
}

for _ in $(seq "$runs"); do
  rm -rf "$work/fresh" && mkdir -p "$work/fresh/data"
  cp build/bin/data/zeltgoc.mdb "$work/fresh/data/"
  start_once "$work/fresh" >> "$work/fresh.txt"
done
report "fresh data folder" "$work/fresh.txt"

start_once "$work/large" > /dev/null  # the first start settles the files
for _ in $(seq "$runs"); do start_once "$work/large" >> "$work/large.txt"; done
report "100,000-row year tables" "$work/large.txt"
