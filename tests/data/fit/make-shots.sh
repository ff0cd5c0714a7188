#!/bin/sh
# Makes a terminal screenshot under Xvfb and the text it shows:
#   xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" ./make-shots.sh OUT.png FACE POINTS FG BG ANTIALIAS FIRST_LINE
# e.g. ./make-shots.sh xterm-liberation-mono-10pt-dark.png "Liberation Mono" 10 '#d0d0d0' '#202020' false 24
# An 80 x 24 xterm shows 23 lines of the GPL from FIRST_LINE on, with its cursor hidden.
set -eu
out=$1 face=$2 points=$3 fg=$4 bg=$5 antialias=$6 first=${7:-1}
text=$(mktemp)
sed -n "${first},\$p" /usr/share/common-licenses/GPL-3 | head -23 > "$text"
xterm -geometry 80x24+0+0 -fa "$face:antialias=$antialias" -fs "$points" -bg "$bg" -fg "$fg" -title glyphmill-shot \
      -e sh -c "printf '\033[?25l'; cat '$text'; sleep 6" &
sleep 3
import -window "$(xdotool search --name glyphmill-shot | head -1)" "$out"
cp "$text" "${out%.png}.txt"
wait
rm -f "$text"
