#!/usr/bin/env bash
# Takes screenshots of the window under Xvfb, at the display scales 1 and 2,
# idle with four generated LIB packages on its job list and in the middle of a
# run over them, each cut to the window.
# Usage: scripts/screenshot.sh [FOLDER]   (default build/screenshots)
# writes FOLDER/window-1x-idle.png, -1x-run.png, -2x-idle.png and -2x-run.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
folder=$(realpath -m "${1:-build/screenshots}")
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
mkdir -p "$folder"

# shot SCALE SCREEN MODE OUTPUT: screenshot_run shows the window (MODE --idle:
# without starting the run); the shot of a run is taken while the third
# package is under way. The screen's black around the window is cut away.
shot() {
  local scale=$1 screen=$2 mode=$3 output=$4
  rm -rf "$work/out"
  QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 ${screen}x24" bash -c '
    "$0" ${1:+"$1"} "$2/out" "${@:4}" &
    app=$!
    sleep 5
    import -window root "$3"
    kill "$app"
  ' "$bin/bench/screenshot_run" "$mode" "$work" "$output.full.png" "${packages[@]}"
  convert "$output.full.png" -trim +repage "$output"
  rm -f "$output.full.png"
  echo "Saved $output"
}
shot 1 800x600 --idle "$folder/window-1x-idle.png"
shot 1 800x600 "" "$folder/window-1x-run.png"
# At twice the scale on a 1280-pixel screen the window is narrowed to fit it.
shot 2 1280x1024 --idle "$folder/window-2x-idle.png"
shot 2 1280x1024 "" "$folder/window-2x-run.png"
