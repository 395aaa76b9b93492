#!/usr/bin/env bash
# Installs what the end-to-end tests need besides the build tools: 64-bit
# Wine, a virtual X display and python3 for the harness (Debian, apt-get).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

packages=(wine wine64 xvfb xauth python3)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
