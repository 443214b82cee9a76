# Sourced by the benchmarks: sets `eitool` and `make_lib`, taken from the
# folder $bin when set (another build), else from the release preset, built
# first.
if [ -z "${bin:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release -j 2 --target eitool make_lib >/dev/null
  bin=$root/build/release
fi
eitool=$bin/eitool
make_lib=$bin/bench/make_lib
[ -x "$make_lib" ] || make_lib=$bin/make_lib
