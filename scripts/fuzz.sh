#!/usr/bin/env bash
# Runs the fuzzers (all, or those named) for SECONDS each (default 30), or for
# a number of executions with FUZZ_RUNS, from the checked-in corpus with the
# target's dictionary and at most 1 s per input. New inputs go to a scratch
# corpus in the build folder; a crash, sanitizer report, leak or hang stops
# the run and leaves the input there. Needs the sanitizer build (sanitize.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QUORVEX_SANITIZE_BUILD_DIR:-build-sanitize}"
seconds="${1:-30}"
[ $# -eq 0 ] || shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(intelhex numbers settings mept rigctl)
cmake --build "$build" -j"$(nproc)" --target fuzzers > /dev/null
limit=(-max_total_time="$seconds")
[ -z "${FUZZ_RUNS:-}" ] || limit=(-runs="$FUZZ_RUNS")
for t in "${targets[@]}"; do
  work="$build/fuzz/work/$t"
  mkdir -p "$work"
  log="$build/fuzz/$t.log"
  start=$(date +%s)
  if ! "$build/fuzz/fuzz_$t" "${limit[@]}" -timeout=1 -dict="fuzz/$t.dict" \
       -artifact_prefix="$build/fuzz/$t-" -print_final_stats=1 \
       "$work" "fuzz/corpus/$t" > "$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "fuzz_$t FAILED: the input is in $build/fuzz/ ($t-*)" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  edges=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  echo "fuzz_$t: $runs executions, $edges edges, $(( $(date +%s) - start )) s"
done
