#!/usr/bin/env bash
# Runs the installer test in a Wine prefix of its own (BUILD_DIR/installer-test), so that what the
# installers write never reaches the prefix of the other tests.
#   run_installer_test.sh BUILD_DIR PROGRAM [ARGS...]
set -euo pipefail
build=$1
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
run="$root/scripts/wine-run.sh"
dir="$build/installer-test"
# The shortcuts would otherwise become menu entries under $HOME.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
trap '"$run" "$dir" --stop' EXIT
# A failed run may have left programs installed: start again from a fresh prefix then.
if [ ! -f "$dir/passed" ]; then
  "$run" "$dir" --stop
  rm -rf "$dir/wineprefix"
fi
rm -f "$dir/passed"
# The setup program's language follows the Windows language, which Wine takes from the locale.
language_test=--gtest_filter=Installers.SetupSpeaksTheUsersWindowsLanguageAndEnglishOtherwise
LC_ALL=C.UTF-8 ZO_TEST_LOCALE=C.UTF-8 "$run" "$dir" "$@"
for locale in ar_SA.UTF-8 fr_FR.UTF-8; do
  LC_ALL=$locale ZO_TEST_LOCALE=$locale "$run" "$dir" "$@" "$language_test"
done
touch "$dir/passed"
