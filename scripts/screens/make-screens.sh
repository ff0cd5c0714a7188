#!/usr/bin/env bash
# Makes the page reader's test screens into tests/data/screens: real screenshots of terminals
# (xterm, rxvt-unicode, st, xfce4-terminal), of programs in tmux (ls, git, vim, mc, man, htop,
# dialog, tmux itself), of Chromium pages and of GTK and Qt windows, each with its exact text
# (NAME.txt), its SGR text for terminal programs (NAME.ansi) and a sidecar (NAME.json), in a
# development set (dev/) and a held-out set (held-out/), listed in MANIFEST.tsv.
#
#   scripts/screens/make-screens.sh                   everything (about 10 minutes)
#   scripts/screens/make-screens.sh --only NAME ...   pictures whose name contains NAME
#   scripts/screens/make-screens.sh --set held-out --kind mono   one set, one kind
#   scripts/screens/make-screens.sh --list            the design, nothing made
#
# Uses X displays :61 and :62 (--display N moves them) and the fixed folder /tmp/screens-demo.
# Needs the packages of scripts/install-deps.sh and screens_qt_window of the release build
# (built here when the build folder exists).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
qt_window=$root/build/release/tests/workbench/gui/screens_qt_window
if [[ -d $root/build/release && ! -x $qt_window ]]; then
  cmake --build "$root/build/release" --target screens_qt_window >&2
fi
export PYTHONDONTWRITEBYTECODE=1
exec /usr/bin/python3 "$here/make_screens.py" --qt-window "$qt_window" "$@"
