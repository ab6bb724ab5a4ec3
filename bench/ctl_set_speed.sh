#!/usr/bin/env bash
# Whole-process time of `quorvexctl --demo set 14.074M`, from start to exit
# (the register write is its last transfer): median and spread of N runs.
# Usage: bench/ctl_set_speed.sh [path/to/quorvexctl] [runs]
set -euo pipefail
ctl=${1:-build/cli/quorvexctl}
runs=${2:-50}
times=()
for ((i = 0; i < runs; i++)); do
  start=$(date +%s%N)
  "$ctl" --demo set 14.074M > /dev/null
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "runs: $runs"
echo "min:    $(( sorted[0] / 1000 )).$(( sorted[0] % 1000 / 100 )) ms"
echo "median: $(( sorted[runs / 2] / 1000 )).$(( sorted[runs / 2] % 1000 / 100 )) ms"
echo "max:    $(( sorted[runs - 1] / 1000 )).$(( sorted[runs - 1] % 1000 / 100 )) ms"
