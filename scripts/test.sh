#!/usr/bin/env bash
# Builds every preset and runs every test: the host unit tests (also under
# AddressSanitizer and UBSan), the checks of both Windows executables, the
# end-to-end scenarios of the x86_64 build under Wine (CTest label e2e),
# static analysis of the program's code, and a bounded run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/e2e-deps.sh

for preset in host host-asan win32 win64; do
  echo "==== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "==== static analysis"
scripts/static-analysis.sh

echo "==== fuzz smoke run"
scripts/fuzz-smoke.sh
