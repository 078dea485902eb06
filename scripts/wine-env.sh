# Sourced by the Wine scripts: sets the Wine environment of one build folder.
# wine_env BUILD_DIR [win32|win64]
#   The architecture defaults to the build's ZEFO_WINE_ARCH (set by the
#   toolchain file): i686 builds run under 32-bit Wine in a 32-bit prefix,
#   x86-64 builds under 64-bit Wine.
wine_env() {
  local build=$1 arch=${2:-}
  if [ -z "$arch" ]; then
    arch=$(sed -n 's/^ZEFO_WINE_ARCH:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
  fi
  export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
  export WINEDEBUG=${WINEDEBUG:--all}
  case $arch in
    win32) export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine WINESERVER=/usr/lib/wine/wineserver32 ;;
    win64) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64 ;;
    *) echo "wine-env: unknown Wine architecture '$arch' for $build" >&2; return 1 ;;
  esac
  # Only the tests that open windows on purpose get the session's virtual
  # display (ZEFO_WINE_DISPLAY=1): elsewhere a stray error dialog of Wine's
  # would wait for an answer instead of failing the test.
  unset DISPLAY
  if [ "${ZEFO_WINE_DISPLAY:-0}" = 1 ] && [ -f "$build/wine-display" ]; then
    DISPLAY=$(cat "$build/wine-display")
    export DISPLAY
  fi
}
