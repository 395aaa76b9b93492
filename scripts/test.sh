#!/usr/bin/env bash
# Builds every preset and runs every test: the host unit tests (also under
# AddressSanitizer and UBSan) and the checks of both Windows executables.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in host host-asan win32 win64; do
  echo "==== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
