#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS seconds on its corpus.
#
#   ./fuzz.sh SECONDS [TARGET...]      targets: glf length_string rdf bmp dict png pnm jpeg webp page glyphset linefont
#                                      (default: all)
#
# Each target starts from build/fuzz-corpus/<target>, which is filled from the committed seeds
# (tests/fuzz/corpus/<target>) and kept inputs (tests/fuzz/regressions/<target>) and keeps what
# the fuzzer adds between runs. Logs go to build/fuzz-logs/<target>.log, inputs that fail to
# build/fuzz-artifacts/<target>/. FUZZ_JOBS targets run at once (default: the number of cores).
# Exit status 0 only when no target found a crash, a leak, undefined behaviour, a time-out or
# an allocation over the limit.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

all_targets=(glf length_string rdf bmp dict png pnm jpeg webp page glyphset linefont)
if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ || $1 -lt 1 ]]; then
  echo "usage: $0 SECONDS [TARGET...]   (targets: ${all_targets[*]})" >&2
  exit 2
fi
seconds=$1
shift
targets=("${@:-${all_targets[@]}}")
for t in "${targets[@]}"; do
  if [[ ! " ${all_targets[*]} " =~ " $t " ]]; then
    echo "fuzz.sh: unknown target $t (targets: ${all_targets[*]})" >&2
    exit 2
  fi
done
jobs=${FUZZ_JOBS:-$(nproc)}

build=$root/build/fuzz
mkdir -p build/fuzz-logs
echo "== fuzz: configure and build" >&2
if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake --preset fuzz >build/fuzz-logs/configure.log 2>&1 || { cat build/fuzz-logs/configure.log >&2; exit 1; }
fi
cmake --build --preset fuzz -j "$(nproc)" >build/fuzz-logs/build.log 2>&1 || { tail -50 build/fuzz-logs/build.log >&2; exit 1; }

# The document reader looks for dict.dic in the working folder; an empty one keeps runs quick.
work=$root/build/fuzz-work
mkdir -p "$work"

run_target() {
  local t=$1
  local corpus=$root/build/fuzz-corpus/$t
  local artifacts=$root/build/fuzz-artifacts/$t
  mkdir -p "$corpus" "$artifacts"
  cp -n "$root/tests/fuzz/corpus/$t/"* "$corpus/" 2>/dev/null || true
  if [[ -d $root/tests/fuzz/regressions/$t ]]; then
    cp -n "$root/tests/fuzz/regressions/$t/"* "$corpus/" 2>/dev/null || true
  fi
  cd "$work"
  "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -rss_limit_mb=1024 -malloc_limit_mb=512 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" \
    >"$root/build/fuzz-logs/$t.log" 2>&1
}

echo "== fuzz: ${targets[*]} for $seconds s each, $jobs at a time" >&2
declare -A status=()
declare -A pids=()
running=0
for t in "${targets[@]}"; do
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$t" &
  pids[$t]=$!
  running=$((running + 1))
done
for t in "${targets[@]}"; do
  if wait "${pids[$t]}"; then status[$t]=0; else status[$t]=$?; fi
done

failed=0
printf '%-14s %12s %8s %8s %8s  %s\n' target executions cov ft seconds result
for t in "${targets[@]}"; do
  log=build/fuzz-logs/$t.log
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*$' || true)
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*$' || true)
  took=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | grep -o 'in [0-9]*' | grep -o '[0-9]*' || true)
  if [[ ${status[$t]} -eq 0 ]]; then
    result=ok
  else
    result="FAILED (status ${status[$t]}; see $log and build/fuzz-artifacts/$t/)"
    failed=1
  fi
  printf '%-14s %12s %8s %8s %8s  %s\n' "$t" "${execs:--}" "${cov:--}" "${ft:--}" "${took:--}" "$result"
done
exit $failed
