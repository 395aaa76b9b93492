#!/usr/bin/env bash
# Installs the build tools, and any further Debian packages named on the
# command line, with apt-get when they are missing.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 "$@")

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
