#!/usr/bin/env bash
# Takes the README screenshots of Recognize on a virtual display with a window manager.
# Usage: take-screenshots.sh BUILD_DIR [OUTDIR]   (OUTDIR defaults to docs/screenshots)
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
build="$(cd "${1:?usage: take-screenshots.sh BUILD_DIR [OUTDIR]}" && pwd)"
out="$(mkdir -p "${2:-$root/docs/screenshots}" && cd "${2:-$root/docs/screenshots}" && pwd)"
tool="$build/tests/workbench/gui/recognize_screenshots"
cd "$root/data"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  if command -v openbox >/dev/null; then openbox >/dev/null 2>&1 & sleep 1; fi
  "$0" "$1"' "$tool" "$out"
