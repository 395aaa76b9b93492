#!/usr/bin/env bash
# Builds every preset and runs every test: the host unit tests (also under
# AddressSanitizer and UBSan), the checks of both Windows executables, and the
# end-to-end scenarios of the x86_64 build under Wine (CTest label e2e).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/e2e-deps.sh

for preset in host host-asan win32 win64; do
  echo "==== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
