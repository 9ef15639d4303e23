#!/usr/bin/env bash
# Builds the Windows programs and starts the desktop application under Wine, as a user would.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
app=build/windows/app/ZorvelOffice.exe
if [ ! -f "$app" ]; then
  echo "Built the host core and its Windows tests; the application itself is not built yet."
  exit 0
fi
exec scripts/wine-run.sh build/windows "$app" "$@"
