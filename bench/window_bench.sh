#!/usr/bin/env bash
# Times a run of the window (offscreen) against eitool extract on the same LIB
# package of 200,000 items of 64 bytes, in the order eitool, window, window,
# eitool so that the state of the file system weighs on both alike; the window
# should stay within 1.5x. Then the results pane alone: 400,000 lines, seconds
# per tenth (flat when a line costs constant time).
# Usage: bench/window_bench.sh [WORK_FOLDER]   (a tmpfs such as /dev/shm weighs
# the programs' own work; on a disk the file system's state outweighs it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/eit-window-bench}
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target eitool make_lib window_run >/dev/null
bin=$root/build/release
export QT_QPA_PLATFORM=offscreen

seconds() {  # wall seconds of a command, its output dropped
  local start; start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  echo "$(date +%s.%N) - $start" | bc -l
}

rm -rf "$work" && mkdir -p "$work"
"$bin/bench/make_lib" "$work/pkg.lib" 200000 64
total_cli=0 total_window=0
for tool in cli window window cli; do
  rm -rf "$work/out" && sync
  if [ "$tool" = cli ]; then
    s=$(seconds "$bin/eitool" extract --target "$work/out" "$work/pkg.lib")
    total_cli=$(echo "$total_cli + $s" | bc -l)
  else
    s=$(seconds "$bin/bench/window_run" "$work/out" "$work/pkg.lib")
    total_window=$(echo "$total_window + $s" | bc -l)
  fi
  printf '%-7s %6.2fs  (%s result.log lines)\n' "$tool" "$s" "$(wc -l <"$work/out/result.log")"
done
printf 'mean: eitool extract %.2fs | window %.2fs | ratio %.2f\n' \
  "$(echo "$total_cli / 2" | bc -l)" "$(echo "$total_window / 2" | bc -l)" "$(echo "$total_window / $total_cli" | bc -l)"
rm -rf "$work"
printf 'results pane, seconds per 40,000 of 400,000 lines: '
"$bin/bench/window_run" --lines 400000 2>/dev/null
