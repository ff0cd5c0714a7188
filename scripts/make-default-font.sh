#!/usr/bin/env bash
# Makes data/Fonts/default.GLF with glyphmill-cli: Liberation Mono bold at 24 pixels in cells of
# 16 x 28 (a glyph width that is a multiple of 8), Latin and Cyrillic letters, digits, signs,
# punctuation and special symbols; control characters and the unknown class are left out
# (they draw blank or as the same box), except "&" (38), which is typed.
# GLYPHMILL_CLI names the program to use; otherwise the release build is made when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

cli="${GLYPHMILL_CLI:-build/release/generator/cli/glyphmill-cli}"
if [[ ! -x "$cli" ]]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target glyphmill-cli
fi

mkdir -p data/Fonts
"$cli" --font "Liberation Mono" --size 24 --bold \
  --width 20 --x 4 --height 28 --y 0 \
  --exclude ControlChars,UnknownChars --include-codes 38 \
  -o data/Fonts/default.GLF
