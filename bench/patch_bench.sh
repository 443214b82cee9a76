#!/usr/bin/env bash
# Makes, applies and removes a patch of three items of one large package (a
# translation that changed three items), and shows each command's time and
# peak memory beside one plain read of the package (cat), and the patch's size.
# Usage: bench/patch_bench.sh [--mib N] [--bin DIR]
#   --mib  the package's size in MiB, items of 1 MiB (default 1024)
#   --bin  take eitool and make_lib from DIR (another build) instead of
#          building the release preset
# Works on tmpfs (/dev/shm); needs about four times the package's size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=/dev/shm/eit-patch-bench
mib=1024
bin=
while [ $# -gt 0 ]; do
  case $1 in
    --mib) mib=$2; shift ;;
    --bin) bin=$(cd "$2" && pwd); shift ;;
    *) echo "usage: $0 [--mib N] [--bin DIR]" >&2; exit 2 ;;
  esac
  shift
done
command -v /usr/bin/time >/dev/null || apt-get install -y -q time >/dev/null
. "$root/bench/binaries.sh"

measure() {  # label, command...
  local label=$1; shift
  /usr/bin/time -f "%e s, peak %M KiB" -o "$work/.time" "$@" >/dev/null
  printf '%-36s %s\n' "$label" "$(cat "$work/.time")"
}

rm -rf "$work" && mkdir -p "$work/original/data"
trap 'rm -rf "$work"' EXIT
"$make_lib" "$work/original/data/big.lib" "$mib" 1048576
cp -r "$work/original" "$work/modified"
# The translation: three items edited and replayed into the modified game.
"$eitool" extract --target "$work/items" "$work/modified/data/big.lib" >/dev/null 2>&1
for i in 2 $((mib / 2 * 2 - 4)) $((mib / 4 * 2)); do
  printf 'translated item %d' "$i" >"$work/items/DAT/big_item$i.dat"
done
"$eitool" replay "$work/items/result.log" >/dev/null 2>&1
rm -rf "$work/items"

echo "A package of $mib MiB, three items changed:"
measure "one read of the package (cat)" cat "$work/original/data/big.lib"
measure "eitool patch make" "$eitool" patch make "$work/original" "$work/modified" --output "$work/patch"
echo "patch folder: $(du -sb "$work/patch" | cut -f1) bytes, manifest $(stat -c %s "$work/patch/eitool-patch.txt") bytes"
cp -r "$work/original" "$work/game"
measure "eitool patch apply --check" "$eitool" patch apply "$work/patch" "$work/game" --check
measure "eitool patch apply" "$eitool" patch apply "$work/patch" "$work/game"
cmp "$work/game/data/big.lib" "$work/modified/data/big.lib"
measure "eitool patch remove" "$eitool" patch remove "$work/patch" "$work/game"
cmp "$work/game/data/big.lib" "$work/original/data/big.lib"
