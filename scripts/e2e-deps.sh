#!/usr/bin/env bash
# Installs the build tools and what the end-to-end tests need besides them:
# 64-bit Wine, a virtual X display, python3 for the harness and NSIS for the
# benchmark's smoke test.
set -euo pipefail
cd "$(dirname "$0")/.."

exec scripts/install-deps.sh wine wine64 xvfb xauth python3 nsis
