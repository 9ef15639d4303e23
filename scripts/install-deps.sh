#!/usr/bin/env bash
# Installs the build and test tools on a Debian machine (run as root). Safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-x86-64 mingw-w64-tools wine64 xvfb chromium fonts-noto-core openssl x11-utils)
missing=()
# The installers: NSIS for the per-user setup program, wixl for the MSI.
packages+=(nsis wixl)
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# mingw's posix-thread flavour is the one the Windows build uses.
if command -v update-alternatives >/dev/null && [ -e /usr/bin/x86_64-w64-mingw32-g++-posix ]; then :; fi
