#!/usr/bin/env bash
# Builds everything and runs every test: the core natively and under the sanitizers (with a
# bounded fuzzing run), the Windows programs under Wine, and the page scripts in headless
# Chromium. Installs what it needs first. Exits non-zero when any test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh || exit 1
(cd tests/js && npm ci --no-audit --no-fund --loglevel=error) || exit 1

jobs=$(nproc)
passed=0
failed=0
status=0

# Adds the counts of one ctest run to the totals.
count_ctest() {
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -n 1)
  if [ -n "$line" ]; then
    local total bad
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  else
    failed=$((failed + 1))
  fi
}

run_ctest_suite() {
  local preset=$1 log
  log=$(mktemp)
  echo "== $preset: configure and build"
  if ! cmake --preset "$preset" >"$log" 2>&1 || ! cmake --build --preset "$preset" -j "$jobs" >>"$log" 2>&1; then
    cat "$log"
    echo "== $preset: build failed"
    failed=$((failed + 1))
    status=1
    rm -f "$log"
    return
  fi
  echo "== $preset: tests"
  ctest --preset "$preset" --timeout 600 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  count_ctest "$log"
  rm -f "$log"
}

run_ctest_suite native
run_ctest_suite windows

echo "== browser tests (headless Chromium)"
log=$(mktemp)
(cd tests/js && PRINT_SCRIPTS="$root/build/native/print_scripts" node --test --test-concurrency=1) 2>&1 | tee "$log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
js_pass=$(grep -E '^# pass [0-9]+' "$log" | tail -n 1 | awk '{print $3}')
js_fail=$(grep -E '^# fail [0-9]+' "$log" | tail -n 1 | awk '{print $3}')
passed=$((passed + ${js_pass:-0}))
failed=$((failed + ${js_fail:-1}))
rm -f "$log"

echo
echo "total: $passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit "$status"
