#!/usr/bin/env bash
# wine-run.sh win32|win64 PROGRAM.exe [ARGS...]
# Runs a cross-built program under Wine in its build folder's private prefix.
# CTest uses it as CMAKE_CROSSCOMPILING_EMULATOR (the toolchain file passes the
# architecture); scripts/wine-session.sh creates the prefix, the display and
# the wineserver beforehand.
set -u
arch=$1; exe=$2; shift 2
build=${ZEFO_WINE_BUILD_DIR:-$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)}
. "$(dirname "$0")/wine-env.sh"
wine_env "$build" "$arch" || exit 2
exec "$WINELOADER" "$exe" "$@"
