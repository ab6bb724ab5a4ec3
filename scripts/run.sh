#!/usr/bin/env bash
# Builds and starts the program; with --demo, the program with a virtual board.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ "${1:-}" = "--demo" ]; then
  exec build/app/quorvex-demo
fi
exec build/app/quorvex
