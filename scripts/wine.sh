#!/usr/bin/env bash
# The project's private Wine: a 64-bit prefix under build/wine that reports Windows 10 and never shows
# the crash dialog, an Xvfb display, and one persistent wineserver for fast process starts.
#   wine.sh start            create the prefix if needed, start Xvfb and the wineserver
#   wine.sh stop             stop what start started
#   wine.sh run EXE ARGS...  run a Windows program in the prefix (ctest's emulator)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
state=${ORVANE_WINE_DIR:-$root/build/wine}

export WINEPREFIX=$state/prefix
export WINEARCH=win64
export HOME=$state/home
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ -z "${DISPLAY:-}" ] && [ -s "$state/display" ]; then export DISPLAY=:$(cat "$state/display"); fi

# Creates the prefix once; concurrent callers wait for the first one.
ensure_prefix() {
  mkdir -p "$state" "$HOME"
  exec 9>"$state/prefix.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.orvane-ready-2" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # No window manager runs on the test display: windows left to one cost two seconds each to close.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    # No sound device here: ALSA renders to nowhere, so audio pins still connect.
    printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$HOME/.asoundrc"
    touch "$WINEPREFIX/.orvane-ready-2"
  fi
  flock -u 9
}

start() {
  ensure_prefix
  if [ -s "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
    echo "wine.sh: already started" >&2
  else
    rm -f "$state/display"
    # -displayfd makes Xvfb pick a free display and write its number once it accepts connections.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$state/display.new" >/dev/null 2>&1 &
    echo $! > "$state/xvfb.pid"
    for _ in $(seq 100); do
      [ -s "$state/display.new" ] && break
      kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null || { echo "wine.sh: Xvfb failed" >&2; exit 1; }
      sleep 0.1
    done
    [ -s "$state/display.new" ] || { echo "wine.sh: Xvfb did not start" >&2; exit 1; }
    mv "$state/display.new" "$state/display"
  fi
  # Wine's desktop process starts with the services below and keeps the display it finds then.
  export DISPLAY=:$(cat "$state/display")
  # Fails harmlessly when a server of this prefix is already running.
  wineserver -p </dev/null >/dev/null 2>&1 || true
  # The first program of a session starts Wine's services, which would inherit its output pipes and
  # keep a caller such as ctest waiting for them; start them here, detached from any pipe.
  wine cmd.exe /c exit </dev/null >/dev/null 2>&1
  # Likewise the desktop process, which the first program that creates a window would start otherwise.
  # It lives as long as the wineserver.
  wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
}

stop() {
  wineserver -k 2>/dev/null && wineserver -w 2>/dev/null || true
  if [ -s "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
  fi
  rm -f "$state/xvfb.pid" "$state/display"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  run)
    shift
    [ -f "$WINEPREFIX/.orvane-ready-2" ] || ensure_prefix
    # Wine processes that a program starts (the desktop, services, helpers) inherit its output handles
    # and can outlive it; with the caller's pipes they would keep ctest waiting. So the program writes
    # into files, which are passed on when it ends.
    out=$(mktemp) err=$(mktemp)
    trap 'rm -f "$out" "$err"' EXIT
    status=0
    wine "$@" >"$out" 2>"$err" || status=$?
    cat "$out"
    cat "$err" >&2
    exit $status
    ;;
  *) echo "usage: wine.sh start|stop|run EXE [ARGS...]" >&2; exit 2 ;;
esac
