#!/usr/bin/env bash
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# built by clang into build-sanitize/ (QUORVEX_SANITIZE_BUILD_DIR), then a
# short run of every fuzzer: QUORVEX_FUZZ_SECONDS each (default 30, 0 skips).
# Used by test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QUORVEX_SANITIZE_BUILD_DIR:-build-sanitize}"
source scripts/packages.sh
install_packages "${build_packages[@]}" "${sanitize_packages[@]}"

[ -f "$build/CMakeCache.txt" ] ||
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEX_SANITIZE=ON -DQUORVEX_BENCH=OFF
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
seconds="${QUORVEX_FUZZ_SECONDS:-30}"
[ "$seconds" = 0 ] || QUORVEX_SANITIZE_BUILD_DIR="$build" scripts/fuzz.sh "$seconds"
