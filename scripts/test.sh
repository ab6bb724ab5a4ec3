#!/usr/bin/env bash
# Builds and runs every test; a compiler warning in the release build fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
QUORVEX_STRICT=1 scripts/setup.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
# Again under the sanitizers, then a short run of every fuzzer.
scripts/sanitize.sh
# The Debian packages on fresh Debian 12 roots: minutes and network, so only on request.
if [ "${QUORVEX_PACKAGE_TEST:-}" = 1 ]; then
  packaging/test-package.sh
fi
if [ "${QUORVEX_FRESH_ROOT_TEST:-}" = 1 ]; then
  packaging/fresh-root-test.sh
fi
