#!/usr/bin/env bash
# Takes the README screenshots of the desktop flow on a virtual display, driving the real
# program with xdotool as a user would, and times it:
#   1. a terminal screenshot opened from the command line, read with Ctrl+R, copied with
#      Ctrl+Shift+C (recognize-flow.png);
#   2. Read Screen Region over an xterm: the frozen screen with the region being dragged
#      (recognize-region-drag.png), then the document read and copied (recognize-region.png).
# Until Read Page finds a screenshot's font itself, each document starts with a font fitted to
# its terminal by glyphmill-cli --fit-picture, as a user makes one today.
# Usage: take-flow-screenshots.sh BUILD_DIR [OUTDIR]   (OUTDIR defaults to docs/screenshots)
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
build="$(cd "${1:?usage: take-flow-screenshots.sh BUILD_DIR [OUTDIR]}" && pwd)"
out="$(mkdir -p "${2:-$root/docs/screenshots}" && cd "${2:-$root/docs/screenshots}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export RECOGNIZE="$build/workbench/gui/recognize" GLYPHMILL_CLI="$build/generator/cli/glyphmill-cli"
export SHOT="$root/tests/data/fit/xterm-hack-14pt-dark.png" OUT="$out" WORK="$work"

xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" bash -euo pipefail -c '
  export XDG_CONFIG_HOME="$WORK/config" XDG_CACHE_HOME="$WORK/cache" QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
  clipboard() { xclip -o -selection clipboard 2>/dev/null || true; }
  wait_clipboard() { for _ in $(seq 1 400); do [[ -n $(clipboard) ]] && return; sleep 0.025; done; }
  # A text as the page shows it: from its first line with ink, less the indentation all lines share.
  as_page() {
    sed "/[^ ]/,\$!d" "$1" > "$WORK/page.txt"
    awk "NR == FNR { if (\$0 ~ /[^ ]/) { match(\$0, /^ */); if (min == \"\" || RLENGTH < min) min = RLENGTH }; next }
         { print substr(\$0, min + 1) }" "$WORK/page.txt" "$WORK/page.txt"
  }
  same_as_page() { diff -q <(clipboard; echo) <(as_page "$1") >/dev/null; }

  # 1. Open, read, copy.
  mkdir -p "$WORK/flow/Fonts" && cd "$WORK/flow"
  cp "$SHOT" shot.png
  "$GLYPHMILL_CLI" --font Hack --fit-picture shot.png -o Fonts/default.GLF 2>/dev/null
  start=$(date +%s%N)
  "$RECOGNIZE" shot.png 2>/dev/null & pid=$!
  main=$(xdotool search --sync --onlyvisible --name "The Text Recognition Demo Program" | head -1)
  # Without a window manager the keys go where the input focus is put.
  xdotool windowfocus --sync "$main"
  sleep 0.3
  xdotool key ctrl+r
  sleep 0.3
  xdotool key ctrl+shift+c
  wait_clipboard
  echo "flow: recognize shot.png, Ctrl+R, Ctrl+Shift+C: $(ms $start) ms to the text on the clipboard (pauses of 0.6 s between the keys included)"
  same_as_page "${SHOT%.png}.txt" && echo "flow: the clipboard holds the terminal text exactly"
  sleep 0.3
  import -window root -crop 960x600+0+0 +repage "$OUT/recognize-flow.png"
  kill $pid

  # 2. Read Screen Region over an xterm, on a desktop of a colour of its own.
  mkdir -p "$WORK/region/Fonts" && cd "$WORK/region"
  convert -size 1280x800 gradient:"#4a7fb5"-"#1d3557" desktop.png
  display -window root desktop.png || true   # it sets the background, then reports 1
  sed -n "1,6p" /usr/share/common-licenses/GPL-3 > text.txt
  xterm -T flow-term -geometry 72x8+300+260 -fa "DejaVu Sans Mono" -fs 12 -bg white -fg black +sb -bw 0 \
        -e sh -c "printf \"\033[?25l\"; cat text.txt; sleep 600" & term=$!
  id=$(xdotool search --sync --name flow-term | head -1)
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$id")"
  import -window "$id" term.png
  "$GLYPHMILL_CLI" --font "DejaVu Sans Mono" --fit-picture term.png -o Fonts/default.GLF 2>/dev/null
  "$RECOGNIZE" --capture 2>/dev/null & pid=$!
  xdotool search --sync --name "Read Screen Region" >/dev/null
  sleep 0.5
  xdotool mousemove $((X + 2)) $((Y + 2)) mousedown 1 mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) \
          mousemove $((X + WIDTH - 3)) $((Y + HEIGHT - 3))
  sleep 0.3
  import -window root -crop 960x480+150+0 +repage "$OUT/recognize-region-drag.png"
  start=$(date +%s%N)
  xdotool mouseup 1
  wait_clipboard
  echo "region: $(ms $start) ms from letting go of the mouse to the text on the clipboard"
  same_as_page text.txt && echo "region: the clipboard holds the terminal text exactly"
  sleep 0.5
  import -window root -crop 960x600+0+0 +repage "$OUT/recognize-region.png"
  kill $pid $term
'
