#!/usr/bin/env bash
# wine-session.sh start|stop BUILD_DIR
# start: makes the build folder's Wine prefix once (about 15 s) and starts a
#        persistent wineserver for it, its output sent to a file so that no
#        reader waits on Wine's pipe.
# stop:  ends that wineserver.
# 64-bit Wine is used: this machine's kernel cannot execute 32-bit programs,
# so the 32-bit Wine loader cannot start.
set -euo pipefail
action=$1
build=$(cd "$2" && pwd)
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
case $action in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "Creating the Wine prefix in $WINEPREFIX"
      /usr/lib/wine/wine64 wineboot -i >"$build/wineboot.log" 2>&1 || { cat "$build/wineboot.log"; exit 1; }
      "$WINESERVER" -w
    fi
    "$WINESERVER" -p >"$build/wineserver.log" 2>&1
    # Start Wine's own services now, with their output in a file: started by
    # the first test instead, they would inherit CTest's pipe and keep it open.
    /usr/lib/wine/wine64 wineboot >"$build/wineservices.log" 2>&1
    ;;
  stop)
    "$WINESERVER" -k >/dev/null 2>&1 || true
    ;;
esac
