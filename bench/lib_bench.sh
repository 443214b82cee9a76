#!/usr/bin/env bash
# Times eitool on LIB packages against tar on the same items: extraction
# against tar -x; and three replays against tar -c of the items and cp of the
# package: nothing changed, one item changed (the middle one), and every item
# changed (each item's first byte flipped before the timed run). Reports
# eitool's peak memory, and whether a replay with nothing changed left the
# package untouched (same inode, same modification time).
# Runs come in pairs (or threes), eitool and the others one right after the
# other (which goes first rotates), so the drift of a shared machine weighs on
# all alike; the ratio reported is the median of the runs' ratios, of wall
# time and of processor time (user + system: on a busy machine the steadier
# of the two).
# By default the files live on tmpfs (/dev/shm): on the disk, runs over many
# small files vary by a factor of ten from run to run.
# Usage: bench/lib_bench.sh [--disk [FOLDER]] [--pairs N] [--bin DIR] [--replays] [--syscalls]
#   --replays  only the replays, no extraction
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
replays_only=
while [ $# -gt 0 ]; do
  case $1 in
    --disk) work=/var/tmp/eit-lib-bench
            if [ $# -gt 1 ] && [ "${2#--}" = "$2" ]; then work=$2; shift; fi ;;
    --pairs) pairs=$2; shift ;;
    --bin) bin=$(cd "$2" && pwd); shift ;;
    --syscalls) syscalls=yes ;;
    --replays) replays_only=yes ;;
    *) echo "usage: $0 [--disk [FOLDER]] [--pairs N] [--bin DIR] [--replays] [--syscalls]" >&2; exit 2 ;;
  esac
  shift
done
command -v /usr/bin/time >/dev/null || apt-get install -y -q time >/dev/null
. "$root/bench/binaries.sh"

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

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) print a / b; else print "inf" }'; }  # a / b, "inf" when b took no time

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One run of eitool and of each other command, in an order rotated by the
# run's number; `reset` goes before eitool. Appends eitool's ratio to each
# other command to ratios_K and cpu_ratios_K (K = 1, 2, ...) and raises $peak.
runs() {  # number reset-function eitool-words... -- other-words... [-- other-words...]
  local n=$1 reset=$2; shift 2
  local commands=() words=() count i k
  for word in "$@" --; do
    if [ "$word" = -- ]; then commands+=("$(printf '%q ' "${words[@]}")"); words=(); else words+=("$word"); fi
  done
  count=${#commands[@]}
  local wall=() proc=()
  for ((i = 0; i < count; i++)); do
    k=$(((i + n) % count))
    [ "$k" = 0 ] && $reset
    eval "measure ${commands[$k]}"
    wall[k]=$seconds proc[k]=$cpu
    [ "$k" = 0 ] && [ "$kib" -gt "$peak" ] && peak=$kib
  done
  local line
  line=$(printf '    run %d: eitool %6.3fs (cpu %6.3fs)' "$n" "${wall[0]}" "${proc[0]}")
  for ((k = 1; k < count; k++)); do
    eval "ratios_$k+=\$(ratio ${wall[0]} ${wall[k]})\$'\n'"
    eval "cpu_ratios_$k+=\$(ratio ${proc[0]} ${proc[k]})\$'\n'"
    line+=$(printf '  %s %6.3fs (cpu %6.3fs)' "${names[k]}" "${wall[k]}" "${proc[k]}")
  done
  echo "$line"
}

# Flips the first byte of each item file named by the log's "#Target: " lines
# at the given 0-based positions ("all": every one), so a replay finds them changed.
flip() {  # log positions
  python3 - "$1" "$2" <<'PY'
import os, sys
targets = [line[9:] for line in open(sys.argv[1], encoding="latin-1").read().splitlines() if line.startswith("#Target: ")]
chosen = targets if sys.argv[2] == "all" else [targets[int(i)] for i in sys.argv[2].split(",")]
for path in chosen:
    fd = os.open(path, os.O_RDWR)
    first = os.pread(fd, 1, 0)
    if first:
        os.pwrite(fd, bytes([first[0] ^ 0xFF]), 0)
    os.close(fd)
PY
}

identity() { stat -c '%i %y' "$1"; }

run_case() {  # name count size
  local name=$1 count=$2 size=$3 dir=$work/case
  rm -rf "$dir" && mkdir -p "$dir"
  "$make_lib" "$dir/pkg.lib" "$count" "$size"
  "$eitool" extract --target "$dir/items" "$dir/pkg.lib" >/dev/null 2>&1  # what replay and tar -c read
  tar -cf "$dir/items.tar" -C "$dir/items" BIN DAT                   # what tar -x reads
  fresh() { rm -rf "$dir/out"; mkdir "$dir/out"; }
  echo "$name"

  local names=(eitool tar)
  local ratios_1= cpu_ratios_1= peak=0
  if [ -z "$replays_only" ]; then
    echo "  extract"
    for ((n = 1; n <= pairs; n++)); do
      runs "$n" fresh "$eitool" extract --target "$dir/out" "$dir/pkg.lib" -- tar -xf "$dir/items.tar" -C "$dir/out"
    done
    fresh
    printf '%-22s extract/tar -x %4.2f (cpu %4.2f) | peak %d KiB\n' "$name" \
      "$(printf %s "$ratios_1" | median)" "$(printf %s "$cpu_ratios_1" | median)" "$peak" | tee -a "$work/summary"
  fi

  # The three replays: what each changes before its timed run.
  unchanged() { :; }
  one_item() { flip "$dir/items/result.log" $((count / 2)); }
  every_item() { flip "$dir/items/result.log" all; }
  names=(eitool "tar -c" cp)
  local replay untouched before
  for replay in unchanged one_item every_item; do
    echo "  replay, $replay"
    local ratios_1= cpu_ratios_1= ratios_2= cpu_ratios_2= peak=0
    untouched=yes
    for ((n = 1; n <= pairs; n++)); do
      before=$(identity "$dir/pkg.lib")
      runs "$n" "$replay" "$eitool" replay --target "$dir/items" "$dir/items/result.log" \
        -- tar -cf "$dir/items.tar" -C "$dir/items" BIN DAT -- cp "$dir/pkg.lib" "$dir/copy.lib"
      [ "$(identity "$dir/pkg.lib")" = "$before" ] || untouched=no
    done
    [ "$replay" = unchanged ] || untouched=-
    printf '%-22s replay, %-10s /tar -c %4.2f (cpu %4.2f) | /cp %4.2f (cpu %4.2f) | peak %d KiB | package untouched: %s\n' \
      "$name" "$replay" "$(printf %s "$ratios_1" | median)" "$(printf %s "$cpu_ratios_1" | median)" \
      "$(printf %s "$ratios_2" | median)" "$(printf %s "$cpu_ratios_2" | median)" "$peak" "$untouched" | tee -a "$work/summary"
  done
  local same=yes
  fresh
  "$eitool" extract --target "$dir/out" "$dir/pkg.lib" >/dev/null 2>&1
  diff -rq "$dir/items/BIN" "$dir/out/BIN" >/dev/null && diff -rq "$dir/items/DAT" "$dir/out/DAT" >/dev/null || same=NO
  echo "$name: the package holds the items after the replays: $same" | tee -a "$work/summary"
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
echo "work folder $work ($(df --output=fstype "$work" | tail -1)), $pairs runs each, median ratios of eitool to the others"
run_case "1 GiB in 10,000 items" 10000 107374
run_case "200,000 items of 64 B" 200000 64
echo
cat "$work/summary"
rm -rf "$work"
