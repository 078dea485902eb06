#!/usr/bin/env bash
# wine-session.sh start|stop BUILD_DIR
# start: makes the build folder's 32-bit Wine prefix once (about 20 s) and
#        starts a persistent wineserver for it, its output sent to a file so
#        that no reader waits on Wine's pipe.
# stop:  ends that wineserver.
set -euo pipefail
action=$1
build=$(cd "$2" && pwd)
export WINEPREFIX=$build/wineprefix WINEARCH=win32 WINEDEBUG=-all
case $action in
  start)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "Creating the Wine prefix in $WINEPREFIX"
      wineboot -i >"$build/wineboot.log" 2>&1 || { cat "$build/wineboot.log"; exit 1; }
      wineserver -w
    fi
    wineserver -p >"$build/wineserver.log" 2>&1
    ;;
  stop)
    wineserver -k >/dev/null 2>&1 || true
    ;;
esac
