#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each for SECONDS
# (default 60), two at a time. The corpus grows in build/fuzz/corpus/TARGET
# from seeds made by the test generators; an input that breaks a target is
# kept in build/fuzz/findings/TARGET and makes the script fail.
# The targets work below $EIT_FUZZ_TMP (default build/fuzz/tmp); a tmpfs there speeds them up.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(lib_extract lib_insert cif_extract cif_insert font_extract font_insert decode_glyph bmp replay)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2
# Absolute paths: each target makes a folder of its own below TMPDIR its current one.
out=$PWD/build/fuzz
rm -rf "$out/seeds"
"$out/fuzz/make_seeds" "$out/seeds"
export TMPDIR="${EIT_FUZZ_TMP:-$out/tmp}"
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR" "$out/logs"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_target() {
  local name=$1
  mkdir -p "$out/corpus/$name" "$out/findings/$name"
  "$out/fuzz/fuzz_$name" "$out/corpus/$name" "$out/seeds/$name" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$out/findings/$name/" >"$out/logs/$name.log" 2>&1
}

failed=()
pids=()
names=()
finish_one() {
  # Waits for the oldest running target.
  if ! wait "${pids[0]}"; then failed+=("${names[0]}"); fi
  pids=("${pids[@]:1}")
  names=("${names[@]:1}")
}
for name in "${targets[@]}"; do
  [ ${#pids[@]} -lt 2 ] || finish_one
  run_target "$name" &
  pids+=($!)
  names+=("$name")
done
while [ ${#pids[@]} -gt 0 ]; do finish_one; done

for name in "${targets[@]}"; do
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/logs/$name.log" | grep -o '[0-9]*$' || echo "?")
  echo "$name: $runs executions in ${seconds}s, corpus $(ls "$out/corpus/$name" | wc -l)"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "FINDINGS in: ${failed[*]} (see $out/logs and $out/findings)"
  exit 1
fi
