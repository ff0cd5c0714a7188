#!/usr/bin/env bash
# Reads a region of an X screen with Recognize as a user does: an xterm shows TEXT_FILE,
# "recognize --capture" freezes the screen, xdotool drags a rectangle over the terminal, and
# the clipboard (read with xclip) is written to WORK/clipboard.txt, with the milliseconds from
# letting go of the mouse to the text on the clipboard in WORK/milliseconds.txt.
#
# Run inside an X server (xvfb-run). Usage:
#   region-capture.sh RECOGNIZE GLYPHMILL_CLI WORK TEXT_FILE FONT
# FONT is "fit" (a font fitted to the terminal by glyphmill-cli --fit-picture, as a user makes
# one today) or the GLF file the document starts with.
set -euo pipefail

recognize=$1 glyphmill_cli=$2 work=$3 text_file=$4 font=$5
cd "$work"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT

# The terminal, black on white, its cursor hidden, at a known place.
xterm -T region-capture-term -geometry 60x6+40+40 -fa "DejaVu Sans Mono" -fs 12 -bg white -fg black +sb -bw 0 \
      -e sh -c "printf '\033[?25l'; cat '$text_file'; sleep 600" &
pids+=($!)
term=$(xdotool search --sync --name region-capture-term | head -1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$term")"   # X, Y, WIDTH, HEIGHT

mkdir -p Fonts
if [[ $font == fit ]]; then
  import -window "$term" term.png
  "$glyphmill_cli" --font "DejaVu Sans Mono" --fit-picture term.png -o Fonts/default.GLF 2>fit.err
else
  cp "$font" Fonts/default.GLF
fi

"$recognize" --capture >recognize.out 2>recognize.err &
pids+=($!)
xdotool search --sync --name "Read Screen Region" >/dev/null
sleep 0.5
# A drag from just inside the terminal's top-left corner to just inside its bottom-right one.
xdotool mousemove $((X + 2)) $((Y + 2)) mousedown 1
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
xdotool mousemove $((X + WIDTH - 3)) $((Y + HEIGHT - 3))
start=$(date +%s%N)
xdotool mouseup 1
text=
for _ in $(seq 1 400); do
  text=$(xclip -o -selection clipboard 2>/dev/null || true)
  [[ -n $text ]] && break
  sleep 0.025
done
end=$(date +%s%N)
printf '%s\n' "$text" >clipboard.txt
echo $(((end - start) / 1000000)) >milliseconds.txt
[[ -n $text ]]
