#!/usr/bin/env bash
# Runs a cross-built program under 64-bit Wine in the build folder's private
# prefix. CTest uses it as CMAKE_CROSSCOMPILING_EMULATOR; scripts/wine-session.sh
# creates the prefix and starts the wineserver beforehand.
set -u
exe=$1; shift
build=${ZEFO_WINE_BUILD_DIR:-$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)}
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
exec /usr/lib/wine/wine64 "$exe" "$@"
