#!/usr/bin/env bash
# Shows the real setup.exe at work: builds it (x86_64) with the end-to-end
# fixtures and the scripted user, runs one scenario in a fresh Wine prefix on
# a virtual display, and prints every window the user saw, the exit code, the
# files placed and the registry keys written and removed. Screenshots (the
# completion dialog among them) are saved as PNG in build/e2e/show/<scenario>/.
#
#   e2e/show_run.sh              the typical run
#   e2e/show_run.sh SCENARIO     a scenario of e2e/scenarios/ (--list: names)
set -euo pipefail
cd "$(dirname "$0")/.."

scenario="${1:-typical_run}"
if [ "$scenario" = "--list" ]; then
  ls e2e/scenarios
  exit 0
fi
if [ ! -f "e2e/scenarios/$scenario/scenario.toml" ]; then
  echo "no scenario $scenario; one of:" >&2
  ls e2e/scenarios >&2
  exit 2
fi

e2e/build_e2e.sh

base="$(mktemp -d "${TMPDIR:-/tmp}/quarvel-base-XXXXXX")"
trap 'python3 e2e/run_scenario --remove-base "$base/prefix"; rm -rf "$base"' EXIT
python3 e2e/run_scenario --make-base "$base/prefix"
python3 e2e/run_scenario \
  --setup build/win64/setup.exe --fixtures build/e2e/fixtures \
  --user build/e2e/scripted_user.exe --base "$base/prefix" \
  --out "build/e2e/show/$scenario" "e2e/scenarios/$scenario"
