#!/usr/bin/env bash
# Scenarios of the real program with the browser-backed runtime and the stand-in suite.
#   browser_e2e_test.sh BUILD_DIR TEST_EXE
# Starts the stand-in suite on loopback, down at first (every connection reset). The suite is up
# while the file "up" exists in the work folder and down while it does not; once the server has
# switched, the file "suite" holds "up" or "down".
set -euo pipefail
build=$(cd "$1" && pwd)
exe=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/e2e/browser"
rm -rf "$work"
mkdir -p "$work"
node "$source_dir/tools/standin_suite/server.mjs" --port 0 --down-for 3600 --quiet \
  --log "$work/server.jsonl" >"$work/server.out" 2>&1 &
server=$!
switcher=
cleanup() {
  if [ -n "$switcher" ]; then kill "$switcher" 2>/dev/null || true; fi
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do
  grep -q '^rules ' "$work/server.out" 2>/dev/null && break
  sleep 0.1
done
rules=$(grep '^rules ' "$work/server.out" | head -1 | cut -d' ' -f2-)
[ -n "$rules" ] || { echo "stand-in suite did not start"; cat "$work/server.out"; exit 1; }
echo down >"$work/suite"
(
  state=down
  while kill -0 "$server" 2>/dev/null; do
    want=down
    [ -e "$work/up" ] && want=up
    if [ "$want" != "$state" ]; then
      # The server toggles on SIGUSR1 and prints its new state.
      switched=$(grep -cxE 'up|down' "$work/server.out" || true)
      kill -USR1 "$server"
      while [ "$(grep -cxE 'up|down' "$work/server.out" || true)" -le "$switched" ]; do sleep 0.05; done
      state=$want
      echo "$state" >"$work/suite.new" && mv "$work/suite.new" "$work/suite"
    fi
    sleep 0.1
  done
) &
switcher=$!
export ZO_BROWSER_RUNTIME_HOST_RULES="$rules"
export BROWSER_E2E_WORK="Z:${work//\//\\}"
"$source_dir/scripts/wine-run.sh" "$build" "$exe" "${@:3}"
