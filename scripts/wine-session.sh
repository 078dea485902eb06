#!/usr/bin/env bash
# wine-session.sh start|stop BUILD_DIR [display]
# start: makes the build folder's Wine prefix once (about 15 s), starts a
#        virtual display (Xvfb) for the windows the tests open, and a
#        persistent wineserver, each with its output sent to a file so that no
#        reader waits on Wine's pipe. Wine's desktop process, which every
#        later program of the session shares, is started on the display only
#        with "display": a session serves either the tests that open windows
#        or those that must not have a display.
# stop:  ends that wineserver and the display.
# The Wine architecture follows the build (32-bit for i686, 64-bit for x86-64).
set -euo pipefail
action=$1
build=$(cd "$2" && pwd)
[ "${3:-}" = display ] && export ZEFO_WINE_DISPLAY=1
. "$(dirname "$0")/wine-env.sh"

stop_display() {
  if [ -f "$build/wine-xvfb.pid" ]; then
    kill "$(cat "$build/wine-xvfb.pid")" 2>/dev/null || true
    rm -f "$build/wine-xvfb.pid" "$build/wine-display" "$build/wine-display.number"
  fi
}

case $action in
  start)
    stop_display
    # Xvfb picks a free display and writes its number to descriptor 3.
    : >"$build/wine-display.number"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
      3>"$build/wine-display.number" >"$build/wine-xvfb.log" 2>&1 &
    echo $! >"$build/wine-xvfb.pid"
    display=
    for _ in $(seq 300); do
      display=$(cat "$build/wine-display.number")
      [ -n "$display" ] && break
      sleep 0.1
    done
    [ -n "$display" ] || { echo "Xvfb did not start:"; cat "$build/wine-xvfb.log"; exit 1; }
    echo ":$display" >"$build/wine-display"
    wine_env "$build"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "Creating the Wine prefix ($WINEARCH) in $WINEPREFIX"
      "$WINELOADER" wineboot -i >"$build/wineboot.log" 2>&1 || { cat "$build/wineboot.log"; exit 1; }
      "$WINESERVER" -w
      # Unmanaged windows: a managed window's close waits for the (absent)
      # window manager for about 2 s under Xvfb.
      "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >>"$build/wineboot.log" 2>&1
      "$WINESERVER" -w
    fi
    "$WINESERVER" -p >"$build/wineserver.log" 2>&1
    # Start Wine's own services now, with their output in a file: started by
    # the first test instead, they would inherit CTest's pipe and keep it open.
    "$WINELOADER" wineboot >"$build/wineservices.log" 2>&1
    ;;
  stop)
    wine_env "$build" || true
    "$WINESERVER" -k >/dev/null 2>&1 || true
    stop_display
    ;;
esac
