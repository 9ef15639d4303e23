#!/usr/bin/env bash
# Runs the C example program end to end against the runtime double: the page calls the bound
# function once, the program answers it, and the window closes by itself (the page lets the
# closing navigation go, as one without unsaved work does).
#   example_c_test.sh BUILD_DIR EXAMPLE_EXE WEBVIEW_DLL DOUBLE_LOADER_DLL
set -euo pipefail
build=$1 example=$2 dll=$3 loader=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
work="$build/example_c_run"
rm -rf "$work" && mkdir -p "$work"
cp "$example" "$dll" "$work/"
cp "$loader" "$work/WebView2Loader.dll"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
cat >"$work/double.conf" <<'CONF'
on=NavigateToString#1 +50 web_message {"id":"c1","method":"greet","params":["world",42]}
on=ExecuteScript#2 +50 close
on=Navigate#1 navigation_completed 1 0 about:blank
CONF
export WV2_DOUBLE_CONFIG="$(winpath "$work/double.conf")"
export WV2_DOUBLE_LOG="$(winpath "$work/double.log")"
cd "$work"
set +e
output=$(timeout 120 "$root/scripts/wine-run.sh" "$build" "$work/$(basename "$example")" | tr -d "\r")
status=$? # with pipefail: the program's own status

set -e
printf '%s\n' "$output"
fail() { echo "FAILED: $*"; exit 1; }
[ "$status" -eq 0 ] || fail "exit status $status"
grep -qx 'host core 0.12.0' <<<"$output" || fail "no version line"
grep -qx 'greet called with \["world",42\]' <<<"$output" || fail "the binding was not called"
grep -qx 'closed after 1 call(s)' <<<"$output" || fail "the loop did not end after the window closed"
grep -q '^ExecuteScript window.__webview__.onReply("c1", 0, "{\\\\"text\\\\":\\\\"hello 1\\\\"}")' "$work/double.log" ||
  fail "no reply script in the browser's log"
grep -q '^NavigateToString <!doctype html>' "$work/double.log" || fail "the page was not shown"
echo "example ran end to end"
