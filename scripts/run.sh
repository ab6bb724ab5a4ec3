#!/usr/bin/env bash
# Builds and starts the program; with --demo, the program with a virtual board.
# Only the program to start is built, so a second run starts at once.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QUORVEX_BUILD_DIR:-build}"
program=quorvex
if [ "${1:-}" = "--demo" ]; then
  program=quorvex-demo
  shift
fi
scripts/setup.sh "$program"
# A program run from its build writes its settings beside itself and reads them
# from the working directory: started there, it finds what the last run saved.
cd "$build/app"
exec "./$program" "$@"
