#!/usr/bin/env bash
# Renders every distinct box and the dialog that the installer can show: runs
# every scenario under Wine and gathers the screenshots that their scripted
# users take into build/e2e/gallery/ as PNG files.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/e2e-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null
cmake -S e2e -B build/e2e -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DQUARVEL_SETUP_EXE="$PWD/build/win64/setup.exe" >/dev/null
cmake --build build/e2e >/dev/null

status=0
ctest --test-dir build/e2e -L e2e -j "$(nproc)" --output-on-failure || status=$?

rm -rf build/e2e/gallery
mkdir -p build/e2e/gallery
for png in build/e2e/results/*/*.png; do
  [ -e "$png" ] || continue
  cp "$png" build/e2e/gallery/
done
ls build/e2e/gallery
exit $status
