#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: a development build,
# then the core and eitool again under the address and undefined-behaviour sanitizers,
# then the Windows build of both under Wine (scripts/test-windows.sh), then
# each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

cmake --preset dev
cmake --build --preset dev -j "$jobs"
ctest --preset dev -j "$jobs"

cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize -j "$jobs"
scripts/test-windows.sh

# Every fuzz target for 20 seconds, so a regression shows here too;
# scripts/fuzz.sh SECONDS runs them longer.
scripts/fuzz.sh 20
