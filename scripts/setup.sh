#!/usr/bin/env bash
# Installs the Debian packages the build needs (only when one is missing) and
# builds a release build into build/ (QUORVEX_BUILD_DIR): the targets named as
# arguments, or everything. Used by run.sh, test.sh and CI.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${QUORVEX_BUILD_DIR:-build}"

packages=(g++ cmake make pkg-config qt6-base-dev qt6-base-dev-tools libusb-dev
          libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev xvfb xauth imagemagick)
# One query for all of them: a second start should not wait for the package database.
installed=" $(dpkg-query -W -f='${Status} ${Package}\n' "${packages[@]}" 2>/dev/null |
              awk '/install ok installed/ { printf "%s ", $NF }')"
missing=()
for p in "${packages[@]}"; do
  [[ "$installed" == *" $p "* ]] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# Once configured, the build itself reruns CMake when a CMakeLists changes.
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
