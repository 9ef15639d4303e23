#!/usr/bin/env bash
# Builds the Windows programs and starts the desktop application under Wine, as a user would, inside
# Wine's virtual desktop (title bars, a taskbar with the tray), on a browser-backed WebView2 runtime
# (Chromium) and a stand-in of the suite served on 127.0.0.1.
#   bash scripts/run.sh [OPTIONS] [ARGUMENT]
# Options:
#   --suite standin        the stand-in suite (tools/standin_suite), the default
#   --suite real           the suite's real addresses (unreachable without a network: the
#                          offline page shows and retries by itself)
#   --suite ADDRESS:PORT   another https server on loopback for the suite's host names
#   --no-runtime           no WebView2 runtime, as on a PC without one: the two prompts
#   --test-runtime         the runtime test double instead of the browser (draws no page)
#   --duration SECONDS     end after this long (default: 60 on a virtual display, else when the
#                          window is closed)
#   --screenshots DIR      where the virtual display's screenshots go (artifacts/screenshots/run;
#                          the screenshots of an earlier run there are removed first)
#   --every SECONDS        time between screenshots (5)
#   --tour                 walk through the stand-in pages by itself (editor, notification,
#                          outside pages with the dock, offline page), naming screenshots after
#                          the step they show
# ARGUMENT is passed to the program as the operating system would: a file (the stand-in's editor
# page is then opened, so the drop shows) or a zorveloffice: link. It prints the window's title
# as it changes, each prompt's text and what the pages report. Without a display it runs on a
# virtual one, saves screenshots, answers prompts with No after showing them, and ends after
# --duration. The exit code is the program's. Ctrl+C ends it; nothing is left running.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

suite=standin runtime=browser tour=0 duration='' every=5 shots=artifacts/screenshots/run argument=()
usage() { sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --suite) [ $# -ge 2 ] || usage; suite=$2; shift 2 ;;
    --no-runtime) runtime=none; shift ;;
    --test-runtime | --with-test-runtime) runtime=double; shift ;;
    --duration) [ $# -ge 2 ] || usage; duration=$2; shift 2 ;;
    --screenshots) [ $# -ge 2 ] || usage; shots=$2; shift 2 ;;
    --every) [ $# -ge 2 ] || usage; every=$2; shift 2 ;;
    --tour) tour=1; shift ;;
    -h | --help) usage ;;
    --) shift; argument=("$@"); break ;;
    -*) echo "run.sh: unknown option $1" >&2; usage ;;
    *) argument=("$@"); break ;;
  esac
done
if [ "$suite" != standin ] && [ "$suite" != real ] &&
  ! [[ "$suite" =~ ^127\.[0-9]{1,3}\.[0-9]{1,3}\.[0-9]{1,3}:[0-9]{1,5}$ ]]; then
  echo "run.sh: --suite takes standin, real or a loopback ADDRESS:PORT (127.x.x.x), not '$suite'" >&2
  exit 2
fi
[[ "$every" =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: --every takes whole seconds" >&2; exit 2; }
if [ "$tour" = 1 ] && { [ "$suite" != standin ] || [ "$runtime" != browser ]; }; then
  echo "run.sh: --tour needs the stand-in suite and the browser-backed runtime" >&2
  exit 2
fi
[ -z "$duration" ] || [[ "$duration" =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: --duration takes whole seconds" >&2; exit 2; }

bash scripts/install-deps.sh
cmake --preset windows >/dev/null
targets=(ZorvelOffice url_recorder window_helper exit_code_recorder)
case "$runtime" in
  browser) targets+=(browser_runtime) ;;
  double) targets+=(webview2_double_runtime) ;;
esac
cmake --build --preset windows -j "$(nproc)" --target "${targets[@]}"

build=build/windows
run="$root/$build/run" # the run's own Wine prefix, display, profile and logs
mkdir -p "$run" "$shots"
shots=$(cd "$shots" && pwd)
rm -f "$shots"/[0-9][0-9][0-9]*.png "$shots/latest.png"
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
regstr() { local s=${1//\\/\\\\}; printf '"%s"' "${s//\"/\\\"}"; }

case "$runtime" in
  browser) runtime_dll=$(find "$build/tools/browser_runtime" -path '*/EBWebView/x64/EmbeddedBrowserWebView.dll' 2>/dev/null | head -n 1) ;;
  double) runtime_dll=$build/tests/webview2_double/runtime/120.0.2210.91/EBWebView/x64/EmbeddedBrowserWebView.dll ;;
  none) runtime_dll='' ;;
esac
if [ "$runtime" != none ] && [ ! -f "$runtime_dll" ]; then
  echo "run.sh: the runtime's client library was not built" >&2
  exit 1
fi

# Display: the caller's, or a virtual one that nobody sees.
virtual=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  virtual=0
  export ZO_USE_DISPLAY=$DISPLAY
else
  unset ZO_USE_DISPLAY
  # Time enough for every step of the tour (tools/standin_suite/tour.mjs) with a screenshot each.
  [ "$tour" = 1 ] && duration=${duration:-$((14 * (every + 6) + 30))}
  duration=${duration:-60}
fi
scripts/wine-run.sh "$run" --start
eval "$(scripts/wine-run.sh "$run" --env)"
[ "$virtual" = 1 ] || export DISPLAY=$ZO_USE_DISPLAY

# Wine's virtual desktop: a taskbar with the notification area, the program's window with its
# frame. A program sees only the windows of its own desktop, so the helper names it.
desktop=ZorvelOffice desktop_size=1440x960
helper() { "$WINE" "$build/tools/window_helper.exe" --desktop "$desktop" "$@"; }

server_pid='' program_pid='' tour_pid='' watch_pid='' reports_pid='' profile="$run/browser-profile" rc=''
browser_pid() {
  local lock target
  lock=$(readlink "$profile/SingletonLock" 2>/dev/null) || return 1
  target=${lock##*-}
  [[ "$target" =~ ^[0-9]+$ ]] && kill -0 "$target" 2>/dev/null && echo "$target"
}
cleanup() {
  trap - EXIT INT TERM
  local p
  for p in "$watch_pid" "$reports_pid"; do
    [ -z "$p" ] || kill "$p" 2>/dev/null || true
  done
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null && [ ! -s "$run/exit-code" ]; then
    helper close webview 5000 >/dev/null 2>&1 || true
    for _ in $(seq 50); do [ -s "$run/exit-code" ] && break; sleep 0.1; done
  fi
  scripts/wine-run.sh "$run" --stop
  [ -z "$program_pid" ] || wait "$program_pid" 2>/dev/null || true
  local pid
  if pid=$(browser_pid); then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  if [ -n "$tour_pid" ]; then
    kill "$tour_pid" 2>/dev/null || true
    wait "$tour_pid" 2>/dev/null || true
  fi
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  [ "$virtual" = 0 ] || echo "Screenshots: $shots"
  echo "Stopped: the program, Wine, the display, the browser and the server."
}
trap cleanup EXIT
trap 'echo "Interrupted: stopping."; exit 130' INT TERM

# The prefix's default browser records addresses instead of opening them; the runtime is
# registered as an installed WebView2 Runtime (pv and EBWebView), or not at all.
cp "$build/e2e/url_recorder.exe" "$run/url_recorder.exe"
: >"$run/opened.txt"
handler="\"$(winpath "$run/url_recorder.exe")\" \"%1\""
client='{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}'
{
  printf 'REGEDIT4\n\n'
  for scheme in https http; do
    printf '[HKEY_LOCAL_MACHINE\\Software\\Classes\\%s\\shell\\open\\command]\n@=%s\n\n' "$scheme" "$(regstr "$handler")"
  done
  for view in 'Software' 'Software\Wow6432Node'; do
    printf '[-HKEY_CURRENT_USER\\%s\\Microsoft\\EdgeUpdate]\n\n' "$view"
  done
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\%s]\n"EnableShell"=dword:00000001\n\n' "$desktop"
  if [ "$runtime" != none ]; then
    folder=$(cd "$(dirname "$runtime_dll")/../.." && pwd)
    for view in 'Software' 'Software\Wow6432Node'; do
      printf '[HKEY_CURRENT_USER\\%s\\Microsoft\\EdgeUpdate\\Clients\\%s]\n"pv"=%s\n\n' "$view" "$client" "$(regstr "${folder##*/}")"
      printf '[HKEY_CURRENT_USER\\%s\\Microsoft\\EdgeUpdate\\ClientState\\%s]\n"EBWebView"=%s\n\n' "$view" "$client" "$(regstr "$(winpath "$folder")")"
    done
  fi
} >"$run/registry.reg"
"$WINE" regedit /S "$(winpath "$run/registry.reg")" </dev/null >/dev/null 2>&1

# The suite's host names: the stand-in server, another loopback server, or the real addresses.
suite_hosts=(zo-desk-app.zorvel.net zo-office.zorvel.net)
rules=''
case "$suite" in
  standin)
    rm -f "$run/standin.port"
    node tools/standin_suite/server.mjs --port 0 --port-file "$run/standin.port" \
      --log "$run/standin-requests.jsonl" --quiet >"$run/standin.log" 2>&1 </dev/null &
    server_pid=$!
    for _ in $(seq 100); do [ -s "$run/standin.port" ] && break; sleep 0.1; done
    [ -s "$run/standin.port" ] || { cat "$run/standin.log" >&2; exit 1; }
    rules=$(sed -n 's/^rules //p' "$run/standin.log")
    echo "Stand-in suite on 127.0.0.1:$(cat "$run/standin.port") (requests: $run/standin-requests.jsonl)"
    ;;
  real)
    # No name is looked up outside this machine: the suite is as unreachable as without a network.
    rules='EXCLUDE 127.0.0.1,MAP * ~NOTFOUND'
    echo "Suite: the real addresses (https://${suite_hosts[0]}/...), unreachable here"
    ;;
  *)
    for h in "${suite_hosts[@]}"; do rules+="MAP $h $suite,"; done
    rules+='EXCLUDE 127.0.0.1,MAP * ~NOTFOUND'
    echo "Suite: the server at $suite for ${suite_hosts[*]}"
    ;;
esac
rm -rf "$profile"
export ZO_BROWSER_RUNTIME_HOST_RULES=$rules ZO_BROWSER_RUNTIME_PROFILE
# The suite's names resolve to loopback here, and Chromium refuses requests from a public page
# (the offline page is a data: document) to a local address: its probe would never succeed.
# The last --disable-features wins, so this one repeats the runtime's own list.
export ZO_BROWSER_RUNTIME_ARGS="--disable-features=Translate,MediaRouter,LocalNetworkAccessChecks${ZO_BROWSER_RUNTIME_ARGS:+ $ZO_BROWSER_RUNTIME_ARGS}"
ZO_BROWSER_RUNTIME_PROFILE=$(winpath "$profile")

# A file argument is handed over as the Windows path of the file.
launch_file=0
if [ ${#argument[@]} -gt 0 ] && [ -f "${argument[0]}" ]; then
  launch_file=1
  argument[0]=$(winpath "$(cd "$(dirname "${argument[0]}")" && pwd)/$(basename "${argument[0]}")")
fi

app=$build/app/ZorvelOffice.exe
case "$runtime" in
  browser) echo "Runtime: Chromium through the browser-backed runtime" ;;
  double) echo "Runtime: the test double (it draws no page)" ;;
  none) echo "Runtime: none (the install prompt, then the offer to open the suite in the browser)" ;;
esac
if [ "$virtual" = 1 ]; then
  echo "No display: running on a virtual display ($DISPLAY); a screenshot every $every s goes to $shots;"
  echo "prompts are answered No after they are shown; the run ends after $duration s or on Ctrl+C."
else
  echo "Showing on $DISPLAY; the run ends when the window is closed${duration:+, after $duration s,} or on Ctrl+C."
fi
echo "Starting $app under Wine, in the virtual desktop $desktop ($desktop_size)"
# Explorer ends with 0 whatever the program returns: the recorder between them keeps the code.
rm -f "$run/exit-code"
scripts/wine-run.sh "$run" explorer "/desktop=$desktop,$desktop_size" \
  "$(winpath "$root/$build/tools/exit_code_recorder.exe")" "$(winpath "$run/exit-code")" \
  "$(winpath "$root/$app")" ${argument[@]+"${argument[@]}"} >"$run/program.log" 2>&1 </dev/null &
program_pid=$!
: >"$run/window-events.txt"
helper watch webview >"$run/window-events.txt" 2>/dev/null </dev/null &
watch_pid=$!
: >"$run/page-reports.txt"
if [ "$runtime" = browser ]; then
  node --experimental-websocket tools/run_support/page_reports.mjs "$profile" \
    >"$run/page-reports.txt" 2>&1 </dev/null &
  reports_pid=$!
fi
: >"$run/tour-step"
tour_options=()
[ "$launch_file" = 0 ] || tour_options+=(--with-file)
if [ "$tour" = 0 ] && [ "$launch_file" = 1 ] && [ "$suite" = standin ] && [ "$runtime" = browser ]; then
  echo "Opening the stand-in's editor page, where the file is dropped"
  tour_options+=(--steps start-page,editor)
  tour=1
fi
if [ "$tour" = 1 ]; then
  node --experimental-websocket tools/standin_suite/tour.mjs "$profile" "$run/tour-step" "$((every + 3))" \
    ${tour_options[@]+"${tour_options[@]}"} </dev/null &
  tour_pid=$!
fi

# The whole virtual desktop (it sits at the display's top left corner), named by number, by a
# prompt on screen and by the tour step it shows: the step is read before and after the capture,
# and a step that changed meanwhile is left out of the name.
shot=0
screenshot() {
  local before after name file
  before=$(cat "$run/tour-step" 2>/dev/null || true)
  file="$shots/.capture.png"
  import -display "$DISPLAY" -window root -crop "$desktop_size+0+0" +repage "$file" 2>/dev/null || return 0
  after=$(cat "$run/tour-step" 2>/dev/null || true)
  [ "$before" = "$after" ] || before=''
  name=$(printf '%03d' "$shot")${1:+-$1}${before:+-$before}
  mv "$file" "$shots/$name.png"
  cp "$shots/$name.png" "$shots/latest.png"
  shot=$((shot + 1))
}
seen_opened=0 seen_events=0 seen_window=0 seen_pages=0
# Prints the lines FILE gained since SEEN (a variable name), each after PREFIX.
print_new() {
  local file=$1 seen=$2 prefix=$3 n
  n=$(wc -l <"$file")
  if [ "$n" -gt "${!seen}" ]; then
    tail -n "+$((${!seen} + 1))" "$file" | head -n "$((n - ${!seen}))" | tr -d '\r' | sed "s/^/$prefix/"
    printf -v "$seen" '%s' "$n"
  fi
}
report() {
  print_new "$run/window-events.txt" seen_window ''
  print_new "$run/page-reports.txt" seen_pages ''
  local n
  n=$(wc -l <"$run/opened.txt")
  if [ "$n" -gt "$seen_opened" ]; then
    tail -n "+$((seen_opened + 1))" "$run/opened.txt" | sed 's/^/Opened in the default browser (recorded, not opened): /'
    seen_opened=$n
  fi
  if [ -n "$server_pid" ]; then
    n=$(grep -c -E '^(drop|notify) ' "$run/standin.log" || true)
    if [ "$n" -gt "$seen_events" ]; then
      grep -E '^(drop|notify) ' "$run/standin.log" | tail -n "+$((seen_events + 1))" | sed 's/^/Page reported: /'
      seen_events=$n
    fi
  fi
}

started=$SECONDS next_shot=$((SECONDS + 3)) last_step=''
# The program has ended once its exit code is recorded (the desktop itself may stay a while).
running() { kill -0 "$program_pid" 2>/dev/null && [ ! -s "$run/exit-code" ]; }
while running; do
  report
  step=$(cat "$run/tour-step" 2>/dev/null || true)
  if [ "$virtual" = 1 ] && { [ "$SECONDS" -ge "$next_shot" ] ||
  { [ -n "$step" ] && [ "$step" != "$last_step" ]; }; }; then
    if helper prompt 0 >/dev/null 2>&1; then
      sleep 0.3
      report
      screenshot prompt
      helper prompt 0 no >/dev/null 2>&1 || true
      echo "Answered No (nobody can click on a virtual display)."
    else
      screenshot
    fi
    next_shot=$((SECONDS + every))
  fi
  last_step=$step
  if [ -n "$duration" ] && [ $((SECONDS - started)) -ge "$duration" ]; then
    echo "Time is up ($duration s): closing the program."
    break
  fi
  sleep 1
done
if ! running; then
  sleep 0.5
  report
  if [ -s "$run/exit-code" ]; then
    rc=$(tr -dc '0-9' <"$run/exit-code")
    echo "The program ended with exit code $rc."
  else
    rc=1
    echo "The program's exit code was not recorded (it may not have started); ending with 1."
  fi
fi
exit "${rc:-0}"
