#!/usr/bin/env bash
# Runs a cross-built program under Wine in the build folder's private prefix.
# CTest uses it as CMAKE_CROSSCOMPILING_EMULATOR; scripts/test.sh creates the
# prefix and starts the wineserver beforehand.
set -u
exe=$1; shift
build=${ZEFO_WINE_BUILD_DIR:-$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)}
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$exe" "$@"
