#!/usr/bin/env bash
# Builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
# Again under the sanitizers, then a short run of every fuzzer.
scripts/sanitize.sh
# The Debian package on a fresh Debian 12 root: minutes and network, so only on request.
if [ "${QUORVEX_PACKAGE_TEST:-}" = 1 ]; then
  packaging/test-package.sh
fi
