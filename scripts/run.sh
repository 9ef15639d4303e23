#!/usr/bin/env bash
# Builds the Windows programs and starts the desktop application under Wine, as a user would.
#   bash scripts/run.sh [--with-test-runtime] [ARGUMENT]
# Without a WebView2 Runtime (none exists on Linux) the application offers to install it, then
# offers to open the suite in the browser instead. --with-test-runtime puts the test double of
# the runtime beside a copy of the program, so the window itself opens (the double draws no page).
# The program shows on $DISPLAY when one is set, otherwise on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
app=build/windows/app/ZorvelOffice.exe
if [ "${1:-}" = "--with-test-runtime" ]; then
  shift
  mkdir -p build/windows/app-with-test-runtime
  cp "$app" build/windows/app-with-test-runtime/
  cp build/windows/tests/webview2_double/loader/WebView2Loader.dll build/windows/app-with-test-runtime/
  app=build/windows/app-with-test-runtime/ZorvelOffice.exe
  # The start-up check reads the runtime's registration; register the double's version.
  eval "$(scripts/wine-run.sh build/windows --env)"
  "$WINE" reg add 'HKCU\SOFTWARE\Microsoft\EdgeUpdate\Clients\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}' \
    /v pv /t REG_SZ /d 120.0.2210.91 /f >/dev/null 2>&1
fi
echo "Starting $app under Wine"
ZO_USE_DISPLAY="${DISPLAY:-}" exec scripts/wine-run.sh build/windows "$app" "$@"
