#!/usr/bin/env bash
# Installs the Debian packages the build needs (only when one is missing) and
# builds a release build into build/ (QUORVEX_BUILD_DIR): the targets named as
# arguments, or everything. Used by run.sh, test.sh and CI. With
# QUORVEX_STRICT=1 (test.sh) a compiler warning fails the build.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QUORVEX_BUILD_DIR:-build}"
source scripts/packages.sh

install_packages "${build_packages[@]}"

# Once configured, the build itself reruns CMake when a CMakeLists changes.
# Ninja, because its check of a build with nothing to do takes milliseconds.
configure=(-DCMAKE_BUILD_TYPE=Release)
strict=false
if [ "${QUORVEX_STRICT:-}" = 1 ]; then
  configure+=(-DCMAKE_COMPILE_WARNING_AS_ERROR=ON)
  grep -qs '^CMAKE_COMPILE_WARNING_AS_ERROR:BOOL=ON' "$build/CMakeCache.txt" || strict=true
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja "${configure[@]}"
elif $strict; then
  cmake -S . -B "$build" "${configure[@]}"
fi
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
