#!/usr/bin/env bash
# Cross-builds the core, eitool and their tests for 64-bit Windows with
# MinGW-w64, runs the tests under Wine, then an eitool round trip of a LIB
# package, CIF text files and a CIF font under Wine with Windows paths
# (drive letters and "\"), a drive root as one target folder, and a patch
# of that round trip's edits made, applied and removed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/windows
started=$SECONDS

scripts/deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix googletest libcli11-dev wine64 \
  libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev

# A throwaway Wine prefix inside the build: quiet, no dialogs. The toolchain
# file runs the tests in the same prefix.
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$build"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Setting up the Wine prefix $WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
fi
# Drive T: is an empty scratch folder: the tests and the round trip use its
# root as a target folder.
drive=$build/drive-t
rm -rf "$drive" && mkdir -p "$drive"
ln -sfn "$drive" "$WINEPREFIX/dosdevices/t:"
export EIT_TEST_DRIVE=T:
# The code-page tests compare the Windows conversions with Python's codecs:
# Python runs here, the tests read what it says from a file.
scripts/deps.sh python3
python3 tests/tools/codepage_expectations.py cp1250 cp1251 cp1252 cp852 >"$build/codepage-expectations.txt"
export EIT_CODEPAGE_EXPECTATIONS="Z:${build//\//\\}\\codepage-expectations.txt"

cmake --preset windows
cmake --build --preset windows -j "$(nproc)"
# One server for the whole run, kept a few seconds past its last client: test
# programs that start while a server shuts down lose their connection. A test
# that still fails on such a Wine hiccup is run once more.
"$wineserver" -p5
ctest --preset windows -j "$(nproc)" --repeat until-pass:2

# --- eitool round trip -------------------------------------------------------
winpath() { printf 'Z:%s' "${1//\//\\}"; }
eitool() {
  echo "> eitool $*"
  "$wine" "$build/eitool.exe" "$@"
}
show() {  # a log file, as Windows shows it
  echo "--- $1"
  tr -d '\r' <"$drive/$1"
}
samples=$build/roundtrip
rm -rf "$samples"
"$wine" "$build/tests/make_samples.exe" "$(winpath "$samples")"
palette=$(winpath "$samples/pal.act")

eitool extract --target 'T:\' "$(winpath "$samples/maps.lib")"
eitool extract --target 'T:\texts' "$(winpath "$samples/menu.cif")" "$(winpath "$samples/names.sal")"
eitool extract --target 'T:\fonts' --palette "$palette" "$(winpath "$samples/f.fnt")"
show result.log
show texts/result.log
show fonts/result.log

# The untouched game, for the patch below.
game_files=(maps.lib menu.cif names.sal f.fnt)
mkdir -p "$drive/game-original/data"
for f in "${game_files[@]}"; do cp "$samples/$f" "$drive/game-original/data/"; done

cp "$samples/edits/maps_notes.txt" "$drive/TXT/maps_notes.txt"
cp "$samples/edits/menu.txt" "$samples/edits/names.txt" "$drive/texts/"
cp "$drive/fonts/f.bmp" "$samples/f-first.bmp"
"$wine" "$build/tests/make_samples.exe" paint 'T:\fonts\f.bmp'
cp "$samples/f.fnt" "$samples/f-first.fnt"
printf 'T:\\result.log\r\nT:\\texts\\result.log\r\nT:\\fonts\\result.log\r\n' >"$drive/all.lst"
eitool replay --palette "$palette" --project 'T:\all.lst'

# The edits are in, byte for byte. The painted glyphs went into the font as
# glyphs 160 to 223, which leave glyphs 0 to 63 and the layout of the sheet
# as they were: extracting the font again gives the first sheet.
for f in maps.lib menu.cif names.sal; do
  cmp "$samples/$f" "$samples/expected/$f"
done
if cmp -s "$samples/f.fnt" "$samples/f-first.fnt"; then
  echo "The replay left f.fnt unchanged" >&2
  exit 1
fi
eitool extract --target 'T:\again' --palette "$palette" "$(winpath "$samples/f.fnt")"
cmp "$drive/again/f.bmp" "$samples/f-first.bmp"

# --- patch of the edits: made, applied to a copy of the game, removed -------
mkdir -p "$drive/game-translated/data"
for f in "${game_files[@]}"; do cp "$samples/$f" "$drive/game-translated/data/"; done
eitool patch make 'T:\game-original' 'T:\game-translated' --output 'T:\patch' --title 'Round trip'
echo "--- patch/eitool-patch.txt"
tr -d '\r' <"$drive/patch/eitool-patch.txt"
cp -r "$drive/game-original" "$drive/player"
eitool patch apply 'T:\patch' 'T:\player' --check
diff -r "$drive/player" "$drive/game-original"
eitool patch apply 'T:\patch' 'T:\player'
diff -r --exclude=.eitool-patches "$drive/player" "$drive/game-translated"
eitool patch apply 'T:\patch' 'T:\player'  # already applied: changes nothing
eitool patch remove 'T:\patch' 'T:\player'
diff -r "$drive/player" "$drive/game-original"

"$wineserver" -w  # until this prefix's server has ended
echo "Windows build, tests, eitool round trip and patch under Wine: passed in $((SECONDS - started)) s"
