#!/usr/bin/env bash
# Times eitool on LIB packages against tar on the same items, side by side:
#   extraction against tar -x, replay against tar -c; and eitool's peak memory.
# Usage: bench/lib_bench.sh [WORK_FOLDER]   (needs about 6 GiB free there)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/eit-lib-bench}
command -v /usr/bin/time >/dev/null || apt-get install -y -q time >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target eitool make_lib >/dev/null
bin=$root/build/release

measure() {  # prints "seconds peak-KiB" of a command, started with no writes pending
  sync
  /usr/bin/time -f "%e %M" -o "$work/.time" "$@" >/dev/null
  cat "$work/.time"
}

run_case() {  # name count size
  local name=$1 dir=$work/case
  rm -rf "$dir" && mkdir -p "$dir"
  "$bin/bench/make_lib" "$dir/pkg.lib" "$2" "$3"
  sync
  read -r ext_s ext_kb < <(measure "$bin/eitool" extract --target "$dir/out" "$dir/pkg.lib")
  read -r tarc_s _ < <(measure tar -cf "$dir/items.tar" -C "$dir/out" BIN DAT)
  mkdir -p "$dir/tarout"
  read -r tarx_s _ < <(measure tar -xf "$dir/items.tar" -C "$dir/tarout")
  read -r rep_s rep_kb < <(measure "$bin/eitool" replay --target "$dir/out" "$dir/out/result.log")
  cmp -s "$dir/pkg.lib" <("$bin/bench/make_lib" /dev/stdout "$2" "$3") && same=yes || same=NO
  printf '%-22s extract %6.2fs  tar -x %6.2fs  ratio %4.2f | replay %6.2fs  tar -c %6.2fs  ratio %4.2f | peak %5d / %5d KiB | package unchanged: %s\n' \
    "$name" "$ext_s" "$tarx_s" "$(echo "$ext_s / $tarx_s" | bc -l)" "$rep_s" "$tarc_s" "$(echo "$rep_s / $tarc_s" | bc -l)" \
    "$ext_kb" "$rep_kb" "$same"
  rm -rf "$dir"
}

mkdir -p "$work"
run_case "1 GiB in 10,000 items" 10000 107374
run_case "200,000 items of 64 B" 200000 64
