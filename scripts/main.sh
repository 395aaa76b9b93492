#!/usr/bin/env bash
# Builds the shipping setup.exe (and its 64-bit twin) and shows the program's
# typical run on the simulated Windows machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in win32 win64 host; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done

for exe in build/win32/setup.exe build/win64/setup.exe; do
  echo "$exe: $(stat -c %s "$exe") bytes"
done
ctest --test-dir build/win32 --output-on-failure -R setup_exe_pe_properties | grep -E "tests passed|Failed"

build/host/tests/simulated_run "$@"
