#!/usr/bin/env bash
# The footprint and speed benchmark under 64-bit Wine: setup.exe -nook, an
# NSIS installer built from bench/quarvel.nsi and the floor program
# (bench/floor/), each on a fresh prefix copy, taking turns. Writes
# bench/results/{results.md,results.json,time_vs_size.png}.
#
#   scripts/bench.sh [run_bench options, e.g. --reps 9 --sizes 0,50,100,200 --renderer no3d]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh wine wine64 xvfb xauth python3 python3-matplotlib nsis

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done

# Debian's python3, where python3-matplotlib is installed.
exec /usr/bin/python3 bench/run_bench \
  --setup build/win64/setup.exe --setup32 build/win32/setup.exe \
  --floor build/win64/bench/floor.exe --fixtures build/win64/e2e/fixtures \
  --work build/bench --out bench/results "$@"
