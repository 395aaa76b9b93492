#!/usr/bin/env bash
# Builds the x86_64 setup.exe and, beside it in build/e2e, the package
# fixtures and the scripted user (installing what the end-to-end runs need).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/e2e-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null
cmake -S e2e -B build/e2e -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DQUARVEL_SETUP_EXE="$PWD/build/win64/setup.exe" >/dev/null
cmake --build build/e2e >/dev/null
