#!/usr/bin/env bash
# Builds the shipping setup.exe (i686) and its x86_64 twin, then runs the real
# program under 64-bit Wine on a virtual display with a scripted user and shows
# what happened: every box and dialog, the exit code, the files placed and the
# registry keys written and removed (screenshots in build/e2e/show/).
#
#   scripts/main.sh              the typical run
#   scripts/main.sh SCENARIO     one of e2e/scenarios/ (--list: their names)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--list" ]; then
  exec e2e/show_run.sh --list
fi

scripts/e2e-deps.sh

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done
for exe in build/win32/setup.exe build/win64/setup.exe; do
  echo "$exe: $(stat -c %s "$exe") bytes"
done
ctest --test-dir build/win32 --output-on-failure -R setup_exe_pe_properties | grep -E "tests passed|Failed"

exec e2e/show_run.sh "$@"
