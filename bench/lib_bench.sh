#!/usr/bin/env bash
# Times eitool on LIB packages against tar on the same items: extraction
# against tar -x, replay against tar -c; and eitool's peak memory.
# Runs come in pairs, eitool and tar one right after the other (which goes
# first alternates), so the drift of a shared machine weighs on both alike;
# the ratio reported is the median of the pairs' ratios, of wall time and of
# processor time (user + system: on a busy machine the steadier of the two).
# By default the files live on tmpfs (/dev/shm): on the disk, runs over many
# small files vary by a factor of ten from run to run.
# Usage: bench/lib_bench.sh [--disk [FOLDER]] [--pairs N] [--bin DIR] [--syscalls]
#   --disk   work on the disk, in FOLDER (default /var/tmp/eit-lib-bench)
#   --pairs  pairs per measurement (default 5)
#   --syscalls  instead, count the system calls per item of eitool and tar
#            (strace -f -c) over 20,000 items of 64 bytes
#   --bin    take eitool and make_lib from DIR (another build) instead of
#            building the release preset
# Needs about 5 GiB free in the work folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=/dev/shm/eit-lib-bench
pairs=5
bin=
syscalls=
while [ $# -gt 0 ]; do
  case $1 in
    --disk) work=/var/tmp/eit-lib-bench
            if [ $# -gt 1 ] && [ "${2#--}" = "$2" ]; then work=$2; shift; fi ;;
    --pairs) pairs=$2; shift ;;
    --bin) bin=$(cd "$2" && pwd); shift ;;
    --syscalls) syscalls=yes ;;
    *) echo "usage: $0 [--disk [FOLDER]] [--pairs N] [--bin DIR] [--syscalls]" >&2; exit 2 ;;
  esac
  shift
done
command -v /usr/bin/time >/dev/null || apt-get install -y -q time >/dev/null
if [ -z "$bin" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j 2 --target eitool make_lib >/dev/null
  eitool=$root/build/release/eitool make_lib=$root/build/release/bench/make_lib
else
  eitool=$bin/eitool make_lib=$bin/make_lib
  [ -x "$make_lib" ] || make_lib=$bin/bench/make_lib
fi

# Runs a command with no writes pending; sets `seconds` (wall), `cpu` (user +
# system seconds) and `kib` (peak memory).
measure() {
  sync
  local start=$EPOCHREALTIME user system
  /usr/bin/time -f "%U %S %M" -o "$work/.time" "$@" >/dev/null 2>"$work/.err" || { cat "$work/.err" >&2; exit 1; }
  seconds=$(echo "$EPOCHREALTIME - $start" | bc -l)
  read -r user system kib <"$work/.time"
  cpu=$(echo "$user + $system" | bc -l)
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One pair: the eitool command (words up to "--") against the tar command, in
# the order given by the pair's number; each preceded by `reset`. Appends the
# ratios to $ratios and $cpu_ratios and raises $peak.
pair() {  # number reset-function eitool-words... -- tar-words...
  local n=$1 reset=$2; shift 2
  local tool=() other=()
  while [ "$1" != -- ]; do tool+=("$1"); shift; done
  shift; other=("$@")
  local tool_s other_s tool_cpu other_cpu
  for side in $((n % 2)) $((1 - n % 2)); do
    $reset
    if [ "$side" = 0 ]; then
      measure "${tool[@]}"; tool_s=$seconds tool_cpu=$cpu; [ "$kib" -gt "$peak" ] && peak=$kib
    else
      measure "${other[@]}"; other_s=$seconds other_cpu=$cpu
    fi
  done
  ratios+=$(echo "$tool_s / $other_s" | bc -l)$'\n'
  cpu_ratios+=$(echo "$tool_cpu / $other_cpu" | bc -l)$'\n'
  printf '    pair %d: eitool %6.3fs (cpu %6.3fs)  tar %6.3fs (cpu %6.3fs)\n' "$n" "$tool_s" "$tool_cpu" "$other_s" "$other_cpu"
}

run_case() {  # name count size
  local name=$1 count=$2 size=$3 dir=$work/case
  rm -rf "$dir" && mkdir -p "$dir"
  "$make_lib" "$dir/pkg.lib" "$count" "$size"
  "$eitool" extract --target "$dir/items" "$dir/pkg.lib" >/dev/null 2>&1  # what replay and tar -c read
  tar -cf "$dir/items.tar" -C "$dir/items" BIN DAT                   # what tar -x reads
  fresh() { rm -rf "$dir/out"; mkdir "$dir/out"; }
  echo "$name"

  local ratios= cpu_ratios= peak=0
  for ((n = 1; n <= pairs; n++)); do
    pair "$n" fresh "$eitool" extract --target "$dir/out" "$dir/pkg.lib" -- tar -xf "$dir/items.tar" -C "$dir/out"
  done
  fresh
  local extract_ratio extract_cpu extract_peak=$peak
  extract_ratio=$(printf %s "$ratios" | median) extract_cpu=$(printf %s "$cpu_ratios" | median)

  ratios= cpu_ratios= peak=0
  for ((n = 1; n <= pairs; n++)); do
    pair "$n" : "$eitool" replay --target "$dir/items" "$dir/items/result.log" -- tar -cf "$dir/items.tar" -C "$dir/items" BIN DAT
  done
  local replay_ratio replay_cpu replay_peak=$peak same
  replay_ratio=$(printf %s "$ratios" | median) replay_cpu=$(printf %s "$cpu_ratios" | median)
  cmp -s "$dir/pkg.lib" <("$make_lib" /dev/stdout "$count" "$size") && same=yes || same=NO

  printf '%-22s extract/tar -x %4.2f (cpu %4.2f) | replay/tar -c %4.2f (cpu %4.2f) | peak %d / %d KiB | package unchanged: %s\n' \
    "$name" "$extract_ratio" "$extract_cpu" "$replay_ratio" "$replay_cpu" "$extract_peak" "$replay_peak" "$same" | tee -a "$work/summary"
  rm -rf "$dir"
}

# Prints the system calls per item of a command, by name, most frequent first.
calls_per_item() {  # label count command...
  local label=$1 count=$2; shift 2
  strace -f -c -o "$work/.strace" "$@" >/dev/null 2>&1
  printf '%-16s' "$label"
  awk -v n="$count" '$NF ~ /^[a-z_0-9]+$/ && $4 ~ /^[0-9]+$/ && $NF != "total" && $4 / n >= 0.05 { printf " %s %.2f", $NF, $4 / n; sum += $4 / n }
                     END { printf "  (all: %.2f)\n", sum }' "$work/.strace"
}

mkdir -p "$work"
if [ -n "$syscalls" ]; then
  command -v strace >/dev/null || apt-get install -y -q strace >/dev/null
  dir=$work/case count=20000
  rm -rf "$dir" && mkdir -p "$dir/out"
  "$make_lib" "$dir/pkg.lib" "$count" 64
  "$eitool" extract --target "$dir/items" "$dir/pkg.lib" >/dev/null 2>&1
  tar -cf "$dir/items.tar" -C "$dir/items" BIN DAT
  echo "system calls per item, $count items of 64 B (those of at least 0.05 an item):"
  calls_per_item "eitool extract" "$count" "$eitool" extract --target "$dir/out" "$dir/pkg.lib"
  rm -rf "$dir/out" && mkdir "$dir/out"
  calls_per_item "tar -x" "$count" tar -xf "$dir/items.tar" -C "$dir/out"
  calls_per_item "eitool replay" "$count" "$eitool" replay --target "$dir/items" "$dir/items/result.log"
  calls_per_item "tar -c" "$count" tar -cf "$dir/items.tar" -C "$dir/items" BIN DAT
  rm -rf "$work"
  exit 0
fi
: >"$work/summary"
echo "work folder $work ($(df --output=fstype "$work" | tail -1)), $pairs pairs, median ratios eitool/tar"
run_case "1 GiB in 10,000 items" 10000 107374
run_case "200,000 items of 64 B" 200000 64
echo
cat "$work/summary"
rm -rf "$work"
