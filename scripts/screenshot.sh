#!/usr/bin/env bash
# Takes a screenshot of the window under Xvfb in the middle of a run over four
# generated LIB packages, and saves it as a PNG.
# Usage: scripts/screenshot.sh [OUTPUT.png]   (default build/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
output=$(realpath -m "${1:-build/screenshot.png}")
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target screenshot_run make_lib >/dev/null
bin=$root/build/release

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
packages=()
for name in maps sounds sprites texts; do
  "$bin/bench/make_lib" "$work/$name.lib" 200 256
  packages+=("$work/$name.lib")
done
mkdir -p "$(dirname "$output")"

# screenshot_run puts the packages on the job list, answers the folder picker
# and slows the run down; the shot is taken while the third package is under way.
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  "$0" "$1/out" "${@:3}" &
  app=$!
  sleep 5
  import -window root "$2"
  kill "$app"
' "$bin/bench/screenshot_run" "$work" "$output" "${packages[@]}"
echo "Saved $output"
