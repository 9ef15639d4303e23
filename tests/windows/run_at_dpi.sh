#!/usr/bin/env bash
# Runs a Windows test program in a Wine prefix of its own whose system DPI is set to DPI.
#   run_at_dpi.sh BUILD_DIR DPI PROGRAM [ARGS...]
set -euo pipefail
build=$1 dpi=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
run="$root/scripts/wine-run.sh"
dir="$build/dpi-$dpi"
trap '"$run" "$dir" --stop' EXIT
eval "$("$run" "$dir" --env)"
# The DPI is read when the wineserver starts.
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
"$run" "$dir" --stop
EXPECTED_DPI=$dpi "$run" "$dir" "$@"
