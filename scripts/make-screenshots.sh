#!/usr/bin/env bash
# Makes real terminal screenshots and the glyph fonts that read them: xterm under Xvfb shows
# a text file with a non-antialiased font, ImageMagick's import captures the xterm window,
# and glyphmill-cli renders the same typeface at the same pixel size into a GLF font whose
# cell is the terminal's character cell.
#
#   scripts/make-screenshots.sh [OUT_DIR]        (default tests/data/screens)
#   scripts/make-screenshots.sh --4k OUT_DIR     a 3840 x 2160 screenshot full of text
#
# For each screenshot NAME it writes NAME.png and NAME.GLF into OUT_DIR; the texts NAME.txt
# are kept there already. --4k writes gpl-4k.txt (the GPL's words in lines of at most 383
# characters), gpl-4k.png (an xterm of 383 x 113 cells of DejaVu Sans Mono at 16 pixels on a
# 3840 x 2160 screen, the window widened to the screen's size with white) and gpl-4k.GLF. GLYPHMILL_CLI names glyphmill-cli (default: the release build).
# Needs xvfb-run, xterm, xdotool and ImageMagick (scripts/install-deps.sh installs them).
#
# Internal use: make-screenshots.sh --shoot OUT.png COLS ROWS FONT FG BG TEXT runs inside
# xvfb-run and captures one window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [[ ${1:-} == --shoot ]]; then
  shift
  out=$1 cols=$2 rows=$3 font=$4 fg=$5 bg=$6 text=$7
  # The cursor is hidden (DECTCEM) so that no block covers a cell.
  LC_ALL=C.UTF-8 xterm -fa "$font" -bg "$bg" -fg "$fg" -geometry "${cols}x${rows}+0+0" \
    -e sh -c 'printf "\033[?25l"; cat "$1"; sleep 60' sh "$text" &
  pid=$!
  id=$(xdotool search --sync --pid "$pid" | head -1)
  sleep 1.5
  import -window "$id" "$out"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  exit 0
fi

big=0
if [[ ${1:-} == --4k ]]; then
  big=1
  shift
fi
out=${1:-$root/tests/data/screens}
glyphmill=${GLYPHMILL_CLI:-$root/build/release/generator/cli/glyphmill-cli}
[[ -x $glyphmill ]] || { echo "make-screenshots: build glyphmill-cli first ($glyphmill)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# shoot NAME COLS ROWS FONT FG BG [COLOURING]: NAME.txt shown in an xterm of COLS x ROWS
# cells; COLOURING is an awk program that adds colour escapes to each line.
shoot() {
  local name=$1 cols=$2 rows=$3 font=$4 fg=$5 bg=$6 colouring=${7:-'{ print }'}
  local screen=${SCREEN:-1024x768}
  awk "$colouring" "$out/$name.txt" >"$work/$name.shown"
  xvfb-run -a -s "-screen 0 ${screen}x24" "$0" --shoot "$work/$name.png" "$cols" "$rows" "$font" "$fg" "$bg" \
    "$work/$name.shown"
  # Without gamma or time chunks: the same pixels give the same file. EXTENT widens the
  # picture with the background colour.
  convert "$work/$name.png" ${EXTENT:+-background "$bg" -extent "$EXTENT"} -strip \
    -define png:exclude-chunks=date,time "$out/$name.png"
  echo "make-screenshots: $out/$name.png ($(identify -format '%w x %h' "$out/$name.png"))" >&2
}

# glyphs NAME ARGS...: the glyph font of a screenshot.
glyphs() {
  local name=$1
  shift
  "$glyphmill" "$@" -o "$out/$name.GLF" 2>/dev/null
}

if ((big)); then
  # 112 lines, so that the line break after the last one scrolls nothing out of 113 rows.
  gpl=/usr/share/common-licenses/GPL-3
  cat "$gpl" "$gpl" | tr -s '[:space:]' ' ' | fold -s -w 383 | sed -n 's/ *$//; 1,112p' >"$out/gpl-4k.txt"
  SCREEN=3840x2160 EXTENT=3840x2160 shoot gpl-4k 383 113 "DejaVu Sans Mono:pixelsize=16:antialias=false" black white
  glyphs gpl-4k --font "DejaVu Sans Mono" --size 16 --no-bold --x 3 --width 13 --height 19 --exclude ControlChars
  exit 0
fi

# The GPL in an 80 x 24 terminal, black on white, DejaVu Sans Mono at 16 pixels: 10 x 19 cells.
# The cell windows below were found by trying every X and Y offset and keeping the one whose
# glyphs equal the screenshot's cells.
shoot gpl 80 24 "DejaVu Sans Mono:pixelsize=16:antialias=false" black white
glyphs gpl --font "DejaVu Sans Mono" --size 16 --no-bold --x 3 --width 13 --height 19 --exclude ControlChars

# A C source in a 60 x 20 terminal (8 x 17 cells), light grey on near-black with coloured
# comment, include and output lines (xterm's 256-colour palette), Liberation Mono at 14 pixels.
shoot c-source 60 20 "Liberation Mono:pixelsize=14:antialias=false" "#d0d0d0" "#1c1c1c" '
  /^\/\*/ { printf "\033[38;5;114m%s\033[0m\n", $0; next }
  /^#/ { printf "\033[38;5;81m%s\033[0m\n", $0; next }
  /printf|return/ { printf "\033[38;5;221m%s\033[0m\n", $0; next }
  { print }'
glyphs c-source --font "Liberation Mono" --size 14 --no-bold --width 8 --height 17 --exclude ControlChars

# A Russian text in a 60 x 6 terminal (8 x 15 cells), dark grey on cream, Liberation Mono at
# 13 pixels, read with a font of Cyrillic letters, digits and signs only: a Latin letter drawn
# like a Cyrillic one would take its place, since equal glyphs read as the lowest code. (In
# DejaVu Sans Mono below 16 pixels the tail of "щ" lies wholly in the next cell, so that "щ"
# and "ш" fill their own cells alike.)
shoot russian 60 6 "Liberation Mono:pixelsize=13:antialias=false" "#303030" "#f4f0dc"
glyphs russian --font "Liberation Mono" --size 13 --no-bold --width 8 --height 15 \
  --exclude ControlChars,EnglishUpper,EnglishLower
