#!/usr/bin/env bash
# Runs Windows programs of the x86_64 build under Wine. Tests always get a
# private Xvfb (24 bits deep, as the canvas needs), never the desktop's display;
# only the start command shows the program on a working $DISPLAY.
#
#   wine.sh session COMMAND [ARGS...]   start a private Xvfb, make sure the prefix
#                                       exists, keep one wineserver alive, run
#                                       COMMAND with that environment, then stop both
#   wine.sh run PROGRAM.exe [ARGS...]   run one program inside the current session,
#                                       or in a session of its own
#   wine.sh start PROGRAM.exe [ARGS...] run the program on $DISPLAY when it works,
#                                       else like run
#   wine.sh prefix                      create the prefix only
#
# WINEPREFIX defaults to build/x86_64/wineprefix in the checkout.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
self=$here/$(basename "${BASH_SOURCE[0]}")
WINE_LOADER=/usr/lib/wine/wine64
WINE_SERVER=/usr/lib/wine/wineserver

export WINEPREFIX=${WINEPREFIX:-$root/build/x86_64/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
export WINEARCH=win64

display_works() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

# Starts Xvfb on a free display number, which Xvfb picks itself and reports
# once it accepts clients (-displayfd: no race on lock files with other
# servers starting at the same time). Sets DISPLAY and xvfb_pid.
start_xvfb() {
  local dir n=""
  dir=$(mktemp -d "${TMPDIR:-/tmp}/wine-sh.XXXXXX")
  mkfifo "$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" </dev/null >/dev/null 2>&1 6>&- &
  xvfb_pid=$!
  read -r -t 60 n <"$dir/display" || true
  rm -rf "$dir"
  if [ -z "$n" ] || ! DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
    kill "$xvfb_pid" 2>/dev/null || true
    echo "wine.sh: could not start Xvfb" >&2
    return 1
  fi
  export DISPLAY=":$n"
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

# Starts the persistent wineserver of the prefix. Without -f it returns only
# once the server listens, so no program started after it can race it and
# start a short-lived server of its own. A server left running for the prefix
# (a program started outside a session) gets 30 s to end, then is stopped:
# its desktop would be on another display.
start_server() {
  local rc=0
  "$WINE_SERVER" -p </dev/null >/dev/null 2>&1 6>&- || rc=$?
  if [ $rc -eq 2 ]; then
    timeout 30 "$WINE_SERVER" -w 2>/dev/null || "$WINE_SERVER" -k 2>/dev/null || true
    "$WINE_SERVER" -w 2>/dev/null || true
    rc=0
    "$WINE_SERVER" -p </dev/null >/dev/null 2>&1 6>&- || rc=$?
  fi
  [ $rc -eq 0 ] || { echo "wine.sh: wineserver did not start ($rc)" >&2; return 1; }
}

# Wine's background services (services.exe, winedevice.exe, ...) outlive the
# program that started them and inherit its output pipes, so CTest would wait
# for them forever. Start them here, detached from our output, before any
# program whose output someone reads.
start_services() {
  "$WINE_LOADER" cmd.exe /c exit </dev/null >/dev/null 2>&1 6>&-
}

# The desktop process (explorer.exe /desktop) is started by the first program
# that needs a window and inherits its standard error. It lives until the last
# program on the desktop ends, so with tests running in parallel CTest waited
# for the test that happened to start it until all the others had finished
# (or until its timeout). Start it here with no output; a console kept open for
# the session keeps it alive.
start_desktop() {
  local dir=$1
  mkfifo "$dir/keeper"
  "$WINE_LOADER" cmd.exe <"$dir/keeper" >/dev/null 2>&1 6>&- &
  exec 7>"$dir/keeper"
  # The keeper runs once it has answered.
  local windows_dir="Z:${dir//\//\\}"
  echo "echo.>\"$windows_dir\\ready\"" >&7
  local i
  for i in $(seq 1200); do
    [ -e "$dir/ready" ] && break
    sleep 0.05
  done
  [ -e "$dir/ready" ] || { echo "wine.sh: the session's console did not start" >&2; return 1; }
  "$WINE_LOADER" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 6>&- 7>&-
}

cmd=${1:-}
shift || true
case "$cmd" in
  prefix)
    ensure_prefix
    ;;
  run)
    [ $# -ge 1 ] || { echo "usage: wine.sh run PROGRAM.exe [ARGS...]" >&2; exit 2; }
    [ -n "${MEASURE_WINE_SESSION:-}" ] || exec "$self" session "$self" run "$@"
    exec "$WINE_LOADER" "$@"
    ;;
  start)
    [ $# -ge 1 ] || { echo "usage: wine.sh start PROGRAM.exe [ARGS...]" >&2; exit 2; }
    if [ -n "${MEASURE_WINE_SESSION:-}" ] || ! display_works; then
      exec "$self" run "$@"
    fi
    ensure_prefix
    start_services
    exec "$WINE_LOADER" "$@"
    ;;
  session)
    [ $# -ge 1 ] || { echo "usage: wine.sh session COMMAND [ARGS...]" >&2; exit 2; }
    # One session per prefix at a time: programs of two sessions would share
    # one wineserver and desktop on two displays. Programs that may outlive
    # the session never inherit the lock (6>&-).
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 6>"$WINEPREFIX.session"
    flock 6
    xvfb_pid=""
    server_started=""
    session_dir=$(mktemp -d "${TMPDIR:-/tmp}/wine-session.XXXXXX")
    cleanup() {
      exec 7>&- 2>/dev/null || true
      if [ -n "$server_started" ]; then
        "$WINE_SERVER" -k 2>/dev/null || true
        "$WINE_SERVER" -w 2>/dev/null || true
      fi
      if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
      rm -rf "$session_dir"
    }
    trap cleanup EXIT
    start_xvfb
    ensure_prefix
    start_server
    server_started=1
    start_services
    start_desktop "$session_dir"
    export MEASURE_WINE_SESSION=1
    status=0
    "$@" || status=$?
    exit $status
    ;;
  *)
    echo "usage: wine.sh session COMMAND... | run PROGRAM.exe [ARGS...] | start PROGRAM.exe [ARGS...] | prefix" >&2
    exit 2
    ;;
esac
