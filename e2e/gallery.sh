#!/usr/bin/env bash
# Renders every distinct box and the dialog that the installer can show: runs
# every scenario under Wine and gathers the screenshots that their scripted
# users take into build/e2e/gallery/ as PNG files.
set -euo pipefail
cd "$(dirname "$0")/.."

e2e/build_e2e.sh

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
