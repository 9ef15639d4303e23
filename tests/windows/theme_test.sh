#!/usr/bin/env bash
# Runs the theme test with its stand-in dwmapi.dll in the Wine prefix's System32, where the
# engine takes system libraries from, and puts the prefix's own file back afterwards.
#   theme_test.sh BUILD_DIR THEME_TEST_EXE STANDIN_DLL
set -euo pipefail
build=$1 test_exe=$2 standin=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
"$root/scripts/wine-run.sh" "$build" --start
system32="$build/wineprefix/drive_c/windows/system32"
saved="$build/theme_test/dwmapi.dll.prefix"
cp "$system32/dwmapi.dll" "$saved"
trap 'cp "$saved" "$system32/dwmapi.dll" && rm -f "$saved"' EXIT
cp "$standin" "$system32/dwmapi.dll"
WINEDLLOVERRIDES=dwmapi=n,b "$root/scripts/wine-run.sh" "$build" "$test_exe"
