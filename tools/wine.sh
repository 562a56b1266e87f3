#!/usr/bin/env bash
# Runs Windows programs of the x86_64 build under Wine, in an Xvfb display when
# no display is open. Both the test command and the start command go through here.
#
#   wine.sh session COMMAND [ARGS...]   start Xvfb (unless DISPLAY works), make sure
#                                       the prefix exists, keep one wineserver alive,
#                                       run COMMAND with that environment, then stop both
#   wine.sh run PROGRAM.exe [ARGS...]   run one program (inside a session, or on its own)
#   wine.sh prefix                      create the prefix only
#
# WINEPREFIX defaults to build/x86_64/wineprefix in the checkout.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
WINE_LOADER=/usr/lib/wine/wine64
WINE_SERVER=/usr/lib/wine/wineserver

export WINEPREFIX=${WINEPREFIX:-$root/build/x86_64/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64

display_works() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Starts Xvfb on the first free display number; sets DISPLAY and xvfb_pid.
start_xvfb() {
  local n
  for n in $(seq 91 190); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
      if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.05
    done
    kill "$xvfb_pid" 2>/dev/null || true
  done
  echo "wine.sh: could not start Xvfb" >&2
  return 1
}

# Creates the prefix once (about 10 s); concurrent callers wait for the first.
ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.measure-ready-3" ]; then
    rm -rf "$WINEPREFIX"
    "$WINE_LOADER" wineboot --init >/dev/null 2>&1
    # "Arial" gets the metric-compatible Liberation Sans instead of DejaVu.
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
    # A crashing program must end with an error, not wait in winedbg forever.
    # Without a Debugger value Wine falls back to winedbg, so name one that
    # does not exist: the crash then ends the process.
    "$WINE_LOADER" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d 'no-debugger-installed' /f >/dev/null 2>&1
    "$WINE_SERVER" -w
    touch "$WINEPREFIX/.measure-ready-3"
  fi
  flock -u 9
  exec 9>&-
}

# Wine's background services (services.exe, winedevice.exe, ...) outlive the
# program that started them and inherit its output pipes, so CTest would wait
# for them forever. Start them here, detached from our output, before any
# program whose output someone reads.
start_services() {
  "$WINE_LOADER" cmd.exe /c exit </dev/null >/dev/null 2>&1
}

cmd=${1:-}
shift || true
case "$cmd" in
  prefix)
    ensure_prefix
    ;;
  run)
    [ $# -ge 1 ] || { echo "usage: wine.sh run PROGRAM.exe [ARGS...]" >&2; exit 2; }
    ensure_prefix
    if ! display_works; then
      start_xvfb
      trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
    fi
    [ -n "${MEASURE_WINE_SESSION:-}" ] || start_services
    # Not exec: the trap above must stop our own Xvfb afterwards.
    "$WINE_LOADER" "$@"
    ;;
  session)
    [ $# -ge 1 ] || { echo "usage: wine.sh session COMMAND [ARGS...]" >&2; exit 2; }
    xvfb_pid=""
    server_pid=""
    cleanup() {
      if [ -n "$server_pid" ]; then "$WINE_SERVER" -k 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
      if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
    }
    trap cleanup EXIT
    display_works || start_xvfb
    ensure_prefix
    "$WINE_SERVER" -f -p </dev/null >/dev/null 2>&1 &
    server_pid=$!
    start_services
    export MEASURE_WINE_SESSION=1
    status=0
    "$@" || status=$?
    exit $status
    ;;
  *)
    echo "usage: wine.sh session COMMAND... | run PROGRAM.exe [ARGS...] | prefix" >&2
    exit 2
    ;;
esac
