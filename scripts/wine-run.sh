#!/usr/bin/env bash
# Runs a Windows program under Wine, in the build tree's own prefix, on a virtual display.
#   wine-run.sh BUILD_DIR --start        create the prefix, start Xvfb and a persistent wineserver
#   wine-run.sh BUILD_DIR --stop         stop both
#   wine-run.sh BUILD_DIR --env          print the environment for running Wine by hand
#   wine-run.sh BUILD_DIR PROGRAM ARGS   run PROGRAM (starting what is missing first)
# ZO_USE_DISPLAY=:0 shows programs on that display instead of the virtual one.
set -euo pipefail
build=$(mkdir -p "$1" && cd "$1" && pwd)
shift
state="$build/wine-state"
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: nothing may be downloaded, and the tests need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}mscoree,mshtml="
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

display_alive() {
  [ -f "$state/display" ] && [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

# Settings of the test prefix, imported once (again when this list changes: the marker file).
# - A new prefix has no Tahoma, so dialogs fall back to a font without Arabic, and Wine shapes
#   Arabic with the dialog's own font only (linked fonts are not used for it): the dialog fonts
#   become DejaVu Sans, which has Latin and Arabic.
# - Top-level windows are not left to a window manager: there is none on the virtual display,
#   and Wine would wait two seconds for one each time a shown window is hidden or destroyed.
prefix_settings_version=2
prefix_settings() {
  local reg="$state/prefix-settings.reg" face="DejaVu Sans" name
  [ "$(cat "$state/prefix-settings" 2>/dev/null)" = "$prefix_settings_version" ] && return 0
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\n'
    for name in "MS Shell Dlg" "MS Shell Dlg 2"; do printf '"%s"="%s"\n' "$name" "$face"; done
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
    for name in "Tahoma" "Segoe UI" "Microsoft Sans Serif"; do printf '"%s"="%s"\n' "$name" "$face"; done
    printf '\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n'
  } >"$reg"
  "$wine" regedit /S "$(winepath_of "$reg")" </dev/null >>"$state/wineboot.log" 2>&1 9>&- || true
  # A new prefix's server ends once regedit has; a persistent one goes on (never wait for it).
  [ "${1:-}" = new ] && "$wineserver" -w 9>&-
  echo "$prefix_settings_version" >"$state/prefix-settings"
}

# Wine sees the Unix root as drive Z:.
winepath_of() {
  printf 'Z:%s' "${1//\//\\}"
}

start() {
  mkdir -p "$state"
  exec 9>"$state/lock"
  flock 9
  if ! display_alive; then
    local n
    for n in $(seq 91 199); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    setsid Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp </dev/null >"$state/xvfb.log" 2>&1 9>&- &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.05
    done
    echo ":$n" >"$state/display"
  fi
  export DISPLAY="${ZO_USE_DISPLAY:-$(cat "$state/display")}"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i </dev/null >"$state/wineboot.log" 2>&1 9>&- || true
    "$wineserver" -w 9>&-
    rm -f "$state/prefix-settings"
    prefix_settings new
  fi
  prefix_settings
  # A persistent server saves the start-up cost of every later program.
  # Daemons must not hold the caller's output pipes or the lock.
  "$wineserver" -p </dev/null >/dev/null 2>&1 9>&- || true
  flock -u 9
  exec 9>&-
}

stop() {
  "$wineserver" -k 2>/dev/null || true
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    rm -f "$state/xvfb.pid" "$state/display"
  fi
}

case "${1:-}" in
  --start) start ;;
  --stop) stop ;;
  --env)
    start >/dev/null
    echo "export WINEPREFIX='$WINEPREFIX' WINEDEBUG='$WINEDEBUG' WINEDLLOVERRIDES='$WINEDLLOVERRIDES' DISPLAY='$(cat "$state/display")' WINE='$wine'"
    ;;
  "") echo "usage: wine-run.sh BUILD_DIR --start|--stop|--env|PROGRAM [ARGS...]" >&2; exit 2 ;;
  *)
    start
    # Wine's own helper processes outlive the program and would inherit its output; a file
    # keeps them off the caller's pipe.
    log=$(mktemp "$state/run.XXXXXX")
    rc=0
    "$wine" "$@" </dev/null >"$log" 2>&1 || rc=$?
    cat "$log"
    rm -f "$log"
    exit "$rc"
    ;;
esac
