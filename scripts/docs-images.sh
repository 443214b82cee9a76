#!/usr/bin/env bash
# Makes the README's pictures in docs/: the window in the middle of a run
# (from scripts/screenshot.sh, under Xvfb) and the top of a font sheet drawn
# by eitool from a generated font, enlarged and labelled.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

scripts/screenshot.sh "$work/shots"
convert "$work/shots/window-1x-run.png" -strip docs/window.png

cmake --preset dev >/dev/null
cmake --build --preset dev -j 2 --target make_samples eitool >/dev/null
build/dev/tests/make_samples "$work/samples" >/dev/null
build/dev/eitool extract --target "$work/out" --palette "$work/samples/pal.act" "$work/samples/f.fnt" >/dev/null
# The first four strips (seven rows each) at eight times the size, with the
# parts of a strip named on the right.
convert "$work/out/f.bmp" -crop 35x28+0+0 +repage -filter point -resize 800% -bordercolor "#4060a0" -border 3 \
  -background white -gravity center -extent 760x224 \
  -fill none -stroke '#d04040' -strokewidth 2 \
  -draw 'line 214,36 234,36' -draw 'line 214,52 234,52' -draw 'line 505,20 530,20' -draw 'line 270,68 530,98' \
  -stroke none -fill black -font DejaVu-Sans -pointsize 15 -gravity northwest \
  -annotate +16+26 'marker: column 0 (white)' \
  -annotate +16+50 'black row: the strip ends' \
  -annotate +536+10 'baseline guide (silver)' \
  -annotate +536+88 'a glyph (strip 1)' \
  -annotate +536+196 '... 64 strips in all' \
  -strip docs/font-sheet.png
ls -l docs/window.png docs/font-sheet.png
