#!/usr/bin/env bash
# Makes the golden pictures of the screen renderer's tests: the real programs (xterm,
# rxvt-unicode, st, xfce4-terminal, headless Chromium, Qt's raster engine) show known lines in
# a known font under Xvfb, and the part of each window that holds the text is kept as a small
# PNG with a sidecar that says how it was made.
#
#   scripts/make-render-goldens.sh [OUT_DIR]      (default tests/data/render)
#
# Each golden NAME is NAME.png and NAME.txt. The sidecar holds one "key: value" a line:
#   program    the program and its version
#   renderer   xft, cairo, skia or qt: whose rules turn fontconfig's answer into settings
#   font       the fontconfig name the program was given (family and properties)
#   points / pixelsize   the size as the program was asked for it (pixelsize in CSS px for Chromium)
#   dpi        the X screen's resolution as Xft computes it, rounded
#   screen     the X screen's height in pixels and millimetres, from which Xft computes it
#   scale      Chromium's device scale factor
#   paper, ink the colours, RRGGBB
#   origin     x y: the left edge of the first cell and the top of the first line in the PNG
#   cell       width height: the terminal's cell as its window's size shows it (terminals)
#   text       one line of the text, in order
#   baseline, pitch   the first baseline's row and the line pitch (Qt)
# Chromium's and Qt's goldens have no cell: their pen advances by the font's unhinted advance.
#
# Needs Xvfb, xdotool, xdpyinfo, ImageMagick, xterm, rxvt-unicode, stterm, xfce4-terminal and
# chromium (scripts/install-deps.sh installs them), and qt_text_shot from the release build
# (QT_TEXT_SHOT names another). Every program gets the cursor hidden and no scroll bar; a
# fontconfig file that turns antialiasing off is given where a program has no option of its
# own for it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/tests/data/render}
mkdir -p "$out"
out=$(cd "$out" && pwd)
qt_text_shot=${QT_TEXT_SHOT:-$root/build/release/tests/screenfont/qt_text_shot}
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export LC_ALL=C.UTF-8 NO_AT_BRIDGE=1

latin='The quick brown fox 0O1lI|{}[]@#&%$gjy'
cyrillic='Съешь же ещё этих булок, αβγ ΣΩ'
symbols='┌─┬┐│├┼┤└┴┘ ▀▄█░▒▓ ✓✗•…⏎→←'

# A fontconfig configuration: the system's, with antialiasing off for every font.
cat >"$work/mono.conf" <<'EOF'
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <match target="font"><edit name="antialias" mode="assign"><bool>false</bool></edit></match>
</fontconfig>
EOF

# The lines are shown with the cursor hidden, then the program waits to be captured.
cat >"$work/show.sh" <<'EOF'
#!/bin/sh
printf '\033[?25l'
first=1
for line in "$@"; do
  [ $first = 1 ] || printf '\r\n'
  printf '%s' "$line"
  first=0
done
sleep 60
EOF
chmod +x "$work/show.sh"

# start_x DPI: a fresh X screen of that resolution, on a display number Xvfb chooses itself
# (so that no other program's X server is ever taken for ours).
start_x() {
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi "$1" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [[ -s $work/display ]] && break
    sleep 0.1
  done
  [[ -s $work/display ]] || { echo "make-render-goldens: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$(head -1 "$work/display")
  # Xft's resolution is the screen's height over its height in millimetres; the sidecar keeps both.
  screen_size=$(xdpyinfo | sed -n 's/.*dimensions: *[0-9]*x\([0-9]*\) pixels ([0-9]*x\([0-9]*\) millimeters).*/\1 \2/p')
  xdpy_dpi=$(awk -v s="$screen_size" 'BEGIN { split(s, a, " "); printf "%.4f", a[1] * 25.4 / a[2] }')
}

# capture NAME PID: the window of the program PID saved as NAME's raw capture.
capture() {
  local name=$1 pid=$2 id=
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -1 || true)
    [[ -n $id ]] && break
    sleep 0.1
  done
  [[ -n $id ]] || { echo "make-render-goldens: no window for $name" >&2; exit 1; }
  sleep 1.5
  import -window "$id" "$work/$name.raw.png"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# keep NAME X Y W H: the rectangle of the raw capture that holds the text, as the golden.
keep() {
  local name=$1
  convert "$work/$name.raw.png" -crop "$4x$5+$2+$3" +repage -strip -define png:exclude-chunks=date,time \
    "$out/$name.png"
  echo "make-render-goldens: $name.png ($4 x $5)" >&2
}

# sidecar NAME KEY=VALUE...: NAME.txt; text lines follow as text=... entries.
sidecar() {
  local name=$1 entry
  shift
  : >"$out/$name.txt"
  for entry in "$@"; do
    printf '%s: %s\n' "${entry%%=*}" "${entry#*=}" >>"$out/$name.txt"
  done
}

version() {
  dpkg-query -W -f '${Version}' "$1" 2>/dev/null || echo unknown
}

# terminal NAME PROGRAM FONT SIZE PAPER INK MONO LINES...: one terminal golden. SIZE is
# "points=N" or "pixelsize=N"; MONO 1 turns antialiasing off.
terminal() {
  local name=$1 program=$2 font=$3 size=$4 paper=$5 ink=$6 mono=$7
  shift 7
  local lines=("$@") cols=40 rows=$# renderer=xft pid origin_x=0 origin_y=0
  # xterm takes points with -fs; rxvt-unicode and st take every size in the font name.
  local fc=$font
  [[ $size == pixelsize=* ]] && fc="$font:$size"
  [[ $size == points=* && $program != xterm ]] && fc="$font:size=${size#points=}"
  ((mono)) && fc="$fc:antialias=false"
  case $program in
  xterm)
    local fs=()
    [[ $size == points=* ]] && fs=(-fs "${size#points=}")
    xterm -geometry "${cols}x${rows}+0+0" -fa "$fc" "${fs[@]}" -bg "#$paper" -fg "#$ink" +sb -b 0 -bw 0 \
      -e "$work/show.sh" "${lines[@]}" &
    pid=$!
    ;;
  urxvt)
    # rxvt-unicode draws box drawing and block elements itself unless told to take the font's.
    urxvt -geometry "${cols}x${rows}+0+0" -fn "xft:$fc" -bg "#$paper" -fg "#$ink" +sb -b 0 -bl -skipBuiltinGlyphs \
      -e "$work/show.sh" "${lines[@]}" &
    pid=$!
    ;;
  st)
    # st's colours are built in: gray90 on black, and a border of 2 pixels.
    paper=000000 ink=e5e5e5 origin_x=2 origin_y=2
    st -g "${cols}x${rows}+0+0" -f "$fc" -e "$work/show.sh" "${lines[@]}" &
    pid=$!
    ;;
  vte)
    # xfce4-terminal takes its font and colours from its configuration; VTE keeps a padding of 1 pixel.
    renderer=cairo origin_x=1 origin_y=1
    local home=$work/home-$name
    mkdir -p "$home/.config/xfce4/terminal"
    cat >"$home/.config/xfce4/terminal/terminalrc" <<EOF
[Configuration]
FontName=$font ${size#points=}
ColorForeground=#$ink
ColorBackground=#$paper
ColorCursor=#$paper
ColorBoldUseDefault=TRUE
MiscMenubarDefault=FALSE
MiscToolbarDefault=FALSE
MiscBordersDefault=FALSE
MiscCursorBlinks=FALSE
ScrollingBar=TERMINAL_SCROLLBAR_NONE
EOF
    local conf=()
    ((mono)) && conf=(FONTCONFIG_FILE="$work/mono.conf")
    env HOME="$home" "${conf[@]}" xfce4-terminal --disable-server --geometry "${cols}x${rows}+0+0" \
      --hide-menubar --hide-toolbar --hide-scrollbar --hide-borders -x "$work/show.sh" "${lines[@]}" &
    pid=$!
    ;;
  esac
  capture "$name" "$pid"
  local width height
  width=$(identify -format '%w' "$work/$name.raw.png")
  height=$(identify -format '%h' "$work/$name.raw.png")
  local cell_w=$(((width - 2 * origin_x) / cols)) cell_h=$(((height - 2 * origin_y) / rows))
  keep "$name" 0 0 "$width" "$((origin_y * 2 + cell_h * rows))"
  local package=$program
  case $program in
  urxvt) package=rxvt-unicode ;;
  st) package=stterm ;;
  vte) package=xfce4-terminal ;;
  esac
  local entries=("program=$program ($package $(version "$package"))" "renderer=$renderer" "font=$font")
  ((mono)) && entries+=("antialias=off")
  entries+=("$size" "dpi=$xdpy_dpi" "screen=$screen_size" "paper=$paper" "ink=$ink" "origin=$origin_x $origin_y"
    "cell=$cell_w $cell_h")
  local line
  for line in "${lines[@]}"; do entries+=("text=$line"); done
  sidecar "$name" "${entries[@]}"
}

# chromium NAME FAMILY PX SCALE PAPER INK LINES...: a page of preformatted lines in a family.
chromium_page() {
  local name=$1 family=$2 px=$3 scale=$4 paper=$5 ink=$6
  shift 6
  local page=$work/$name.html line
  {
    printf '<!DOCTYPE html><html><head><meta charset="utf-8"><style>'
    printf 'html,body{margin:0;padding:0;background:#%s;color:#%s}' "$paper" "$ink"
    printf 'pre{margin:0;font-family:"%s";font-size:%spx;line-height:normal}' "$family" "$px"
    printf '</style></head><body><pre>'
    for line in "$@"; do printf '%s\n' "$line" | sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g'; done
    printf '</pre></body></html>'
  } >"$page"
  local profile=$work/profile-$name
  mkdir -p "$profile"
  # The page's viewport is smaller than the window (headless Chromium keeps room for its
  # controls), so the window is much taller than the lines.
  chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$profile" --hide-scrollbars \
    --force-device-scale-factor="$scale" --window-size=600,400 --screenshot="$work/$name.raw.png" \
    "file://$page" >/dev/null 2>&1
  # The text's rows: a line of "normal" height is below 1.5 em.
  local width height
  width=$(identify -format '%w' "$work/$name.raw.png")
  height=$(awk -v n=$# -v px="$px" -v s="$scale" 'BEGIN { printf "%d", n * px * 1.5 * s }')
  keep "$name" 0 0 "$width" "$height"
  local entries=("program=chromium ($(version chromium), headless)" "renderer=skia" "font=$family"
    "pixelsize=$px" "scale=$scale" "dpi=96" "paper=$paper" "ink=$ink" "origin=0 0")
  for line in "$@"; do entries+=("text=$line"); done
  sidecar "$name" "${entries[@]}"
}

# qt NAME FAMILY PX PAPER INK LINES...: lines drawn by Qt's raster engine (offscreen, as a Qt
# window's backing store draws them) with qt_text_shot from the build.
qt_page() {
  local name=$1 family=$2 px=$3 paper=$4 ink=$5
  shift 5
  local placed line
  placed=$(QT_QPA_PLATFORM=offscreen "$qt_text_shot" "$family" "$px" "$paper" "$ink" "$work/$name.raw.png" "$@" \
    2>/dev/null)
  keep "$name" 0 0 "$(identify -format '%w' "$work/$name.raw.png")" "$(identify -format '%h' "$work/$name.raw.png")"
  local entries=("program=qt ($(version libqt6gui6), raster engine)" "renderer=qt" "font=$family" "pixelsize=$px"
    "dpi=96" "paper=$paper" "ink=$ink" "origin=0 0" "baseline=$(awk '{print $2}' <<<"$placed")"
    "pitch=$(awk '{print $4}' <<<"$placed")")
  for line in "$@"; do entries+=("text=$line"); done
  sidecar "$name" "${entries[@]}"
}

start_x 96
terminal xterm-dejavu-12pt xterm "DejaVu Sans Mono" points=12 ffffff 000000 0 "$latin" "$cyrillic" "$symbols"
terminal xterm-dejavu-12pt-mono xterm "DejaVu Sans Mono" points=12 ffffff 000000 1 "$latin" "$cyrillic"
terminal xterm-hack-11pt-dark xterm "Hack" points=11 1e1e1e d0d0d0 0 "$latin" "$cyrillic"
terminal urxvt-dejavu-16px urxvt "DejaVu Sans Mono" pixelsize=16 ffffff 000000 0 "$latin" "$cyrillic" "$symbols"
terminal urxvt-liberation-14px-mono urxvt "Liberation Mono" pixelsize=14 ffffff 000000 1 "$latin" "$cyrillic"
terminal urxvt-jetbrains-15px urxvt "JetBrains Mono" pixelsize=15 fdf6e3 073642 0 "$latin" "$cyrillic"
terminal st-noto-15px st "Noto Mono" pixelsize=15 000000 e5e5e5 0 "$latin" "$cyrillic"
terminal st-firacode-14px-mono st "Fira Code" pixelsize=14 000000 e5e5e5 1 "$latin" "$cyrillic"
terminal st-dejavu-13px st "DejaVu Sans Mono" pixelsize=13 000000 e5e5e5 0 "$latin" "$cyrillic" "$symbols"
terminal vte-dejavu-12pt vte "DejaVu Sans Mono" points=12 ffffff 000000 0 "$latin" "$cyrillic"
terminal vte-liberation-11pt vte "Liberation Mono" points=11 ffffff 000000 0 "$latin" "$cyrillic"
terminal vte-freemono-12pt-mono vte "FreeMono" points=12 ffffff 000000 1 "$latin" "$cyrillic"
# Sizes whose 64ths Xft cuts and Cairo rounds to different pixels per em (927 and 928).
terminal xterm-liberation-14.4933px xterm "Liberation Mono" pixelsize=14.4933 ffffff 000000 0 "$latin"
terminal vte-liberation-10.87pt vte "Liberation Mono" points=10.87 ffffff 000000 0 "$latin"
chromium_page chromium-dejavu-16px-1x "DejaVu Sans Mono" 16 1 ffffff 000000 "$latin" "$cyrillic"
chromium_page chromium-dejavu-16px-2x "DejaVu Sans Mono" 16 2 ffffff 000000 "$latin" "$cyrillic"
chromium_page chromium-liberation-13px-1x "Liberation Mono" 13 1 ffffff 000000 "$latin" "$cyrillic"
chromium_page chromium-dejavusans-15px-1x "DejaVu Sans" 15 1 ffffff 000000 "$latin" "$cyrillic"
if [[ -x $qt_text_shot ]]; then
  qt_page qt-dejavu-16px "DejaVu Sans Mono" 16 ffffff 000000 "$latin" "$cyrillic"
else
  echo "make-render-goldens: $qt_text_shot is not built; no Qt goldens" >&2
fi

start_x 120
terminal xterm-liberation-10pt-120dpi xterm "Liberation Mono" points=10 ffffff 000000 0 "$latin" "$cyrillic"
terminal xterm-liberation-10pt-120dpi-mono xterm "Liberation Mono" points=10 ffffff 000000 1 "$latin" "$cyrillic"
terminal xterm-cousine-9pt-120dpi xterm "Cousine" points=9 ffffff 000000 0 "$latin" "$cyrillic"
terminal st-dejavu-11pt-120dpi st "DejaVu Sans Mono" points=11 000000 e5e5e5 0 "$latin" "$cyrillic"
terminal urxvt-gomono-12pt-120dpi urxvt "Go Mono" points=12 ffffff 000000 0 "$latin" "$cyrillic"
