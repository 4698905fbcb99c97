#!/usr/bin/env bash
# Installs what the tests need, then builds every preset and runs every suite:
# unit tests natively, under ASan+UBSan and under TSan, the fuzzers for a bounded time,
# and the Windows builds with their suites under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

for preset in native asan tsan fuzz win32 win64; do
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
