#!/usr/bin/env bash
# Writes a font with glyphmill-cli, renders a line of text with it through recognize-cli
# render and reads it back with recognize-cli read; the text must come back exactly.
# Usage: font_roundtrip.sh GLYPHMILL_CLI RECOGNIZE_CLI TEXT "GLYPHMILL OPTIONS" [read options...]
set -euo pipefail

glyphmill_cli=$1
recognize_cli=$2
text=$3
read -r -a font_options <<<"$4"
shift 4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$glyphmill_cli" --font "Liberation Mono" --size 24 --bold \
  --width 20 --x 4 --height 28 --y 0 "${font_options[@]}" -o "$work/font.GLF"

"$recognize_cli" render --font "$work/font.GLF" --space 3 --text "$text" -o "$work/picture.bmp"
# The picture is one cell wider than the text and its three blank cells, and a loaded
# picture has as many cells as fit in its width: four blank cells are read as spaces.
got=$("$recognize_cli" read --font "$work/font.GLF" "$@" "$work/picture.bmp")
want="$text    "
if [[ "$got" != "$want" ]]; then
  printf 'expected: [%s]\n     got: [%s]\n' "$want" "$got" >&2
  exit 1
fi
echo "read back: [$got]"
