#!/usr/bin/env bash
# Installs the Debian packages the build needs (only when one is missing) and
# builds a release build into build/ (QUORVEX_BUILD_DIR): the targets named as
# arguments, or everything. Used by run.sh, test.sh and CI.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QUORVEX_BUILD_DIR:-build}"
source scripts/packages.sh

install_packages "${build_packages[@]}"

# Once configured, the build itself reruns CMake when a CMakeLists changes.
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
