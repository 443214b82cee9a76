#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program: the window when it
# is built and a display is there, eitool otherwise (arguments pass through).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
window=build/release/src/window/extract-insert-tool
if [ -x "$window" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ $# -eq 0 ]; then
  exec "$window"
fi
exec build/release/eitool "${@:---help}"
