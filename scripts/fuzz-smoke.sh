#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for a bounded time on its
# committed seeds. Fails when a target finds a fault (a sanitizer report, or
# the simulated machine's books showing something left open or misused).
#
#   scripts/fuzz-smoke.sh            # 30 s per target
#   FUZZ_SECONDS=300 scripts/fuzz-smoke.sh
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"

# clang with libFuzzer and the sanitizer runtimes (Debian), and the usual tools.
scripts/install-deps.sh clang libclang-rt-14-dev

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
for target in fuzz_netscape_plugin fuzz_install_component fuzz_install_file fuzz_installer_main; do
  echo "==== $target (${seconds} s)"
  mkdir -p "$work/$target"
  # New inputs go to the scratch folder; the committed seeds stay as they are.
  if ! build/fuzz/fuzz/"$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/" "$work/$target" "fuzz/corpus/$target" >"$work/$target.log" 2>&1; then
    status=1
    echo "FINDING in $target:"
    grep -v -e '^#[0-9]' -e 'NEW_FUNC' "$work/$target.log" | tail -40
    for artifact in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -e "$artifact" ] || continue
      mkdir -p build/fuzz/findings
      cp "$artifact" build/fuzz/findings/
      echo "input kept in build/fuzz/findings/$(basename "$artifact")"
    done
  else
    grep -e 'stat::number_of_executed_units' "$work/$target.log" || true
  fi
done
exit $status
