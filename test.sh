#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exit status 0 only when all pass.
# PRESETS (default "release asan") chooses the builds that are tested; FUZZ_SECONDS (default 20)
# how long each fuzzer runs afterwards (0: not at all).
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc)
for preset in ${PRESETS:-release asan}; do
  echo "== $preset: configure and build" >&2
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test" >&2
  ctest --preset "$preset" -j "$jobs"
done

# A short run of every fuzzer over its seeds and kept inputs (FUZZ_SECONDS=0 leaves it out).
fuzz_seconds=${FUZZ_SECONDS:-20}
if ((fuzz_seconds > 0)); then
  ./fuzz.sh "$fuzz_seconds"
fi
