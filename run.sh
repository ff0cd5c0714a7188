#!/usr/bin/env bash
# Installs what is missing, builds, and starts Recognize with the shipped default font and dictionary.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

program="$PWD/build/release/workbench/gui/recognize"
if [[ ! -x "$program" ]]; then
  echo "run.sh: the Recognize program has not been built (is Qt 6 installed?)." >&2
  echo "run.sh: the command-line tool is at build/release/workbench/cli/recognize-cli" >&2
  exit 1
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "run.sh: no display to open a window on (DISPLAY is not set)." >&2
  echo "run.sh: use build/release/workbench/cli/recognize-cli on the command line instead," >&2
  echo "run.sh: or start a virtual display: xvfb-run ./run.sh" >&2
  exit 1
fi

# The program finds Fonts/default.GLF and dict.dic in its working directory.
cd data
exec "$program" "$@"
