#!/usr/bin/env bash
# Builds a package and prints its path.
#
#   scripts/package.sh deb [BUILD_DIR] [-DNAME=VALUE...]
#       The Debian package of the operator's tools (zefo-publish, zefo-reg and
#       their manual pages), from the optimised Linux build
#       (default BUILD_DIR: build/linux-release).
#   scripts/package.sh windows [BUILD_DIR] [-DNAME=VALUE...]
#       The zip of the Windows program folder as the launcher's installer lays
#       it out ("ZEFOLauncher.exe"), from the 32-bit product build without its
#       tests (default BUILD_DIR: build/windows-release). The service hosts are
#       fixed at build time: give the real ones, e.g.
#       -DZEFO_LIVE_HTTPS_HOST=patch.example.net (docs/OPERATIONS.md).
#
# Other -D values go to CMake as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { echo "usage: $0 deb|windows [BUILD_DIR] [-DNAME=VALUE...]" >&2; exit 2; }
[ $# -ge 1 ] || usage
kind=$1
shift
case "$kind" in
  deb) preset=linux-release; build=build/linux-release; options=() ;;
  windows) preset=windows; build=build/windows-release; options=(-DZEFO_BUILD_TESTS=OFF) ;;
  *) usage ;;
esac
if [ $# -ge 1 ] && [[ "$1" != -D* ]]; then
  build=$1
  shift
fi
options+=("$@")
build=$(realpath -m "$build")

log=$build/package.log
mkdir -p "$build"
# Only this run's package is left to name.
rm -f "$build"/packages/zefo-tools_*.deb "$build"/packages/ZEFOLauncher-*-win32.zip
if ! { cmake --preset "$preset" -B "$build" "${options[@]}" &&
       nice -n 10 cmake --build "$build" -j2 &&
       (cd "$build" && cpack); } >"$log" 2>&1; then
  tail -40 "$log" >&2
  echo "$0: packaging failed; the whole log is $log" >&2
  exit 1
fi

if [ "$kind" = windows ]; then
  hosts=$(grep -E '^ZEFO_(LIVE|STAGE)_HTTPS?_HOST:' "$build/CMakeCache.txt" | cut -d= -f2)
  if grep -qE '(^|[.])invalid(:|$)|^127\.|^localhost(:|$)' <<<"$hosts"; then
    echo "$0: note: this build talks to test hosts ($(tr '\n' ' ' <<<"$hosts")); give the real ones with -DZEFO_*_HOST=..." >&2
  fi
  ls "$build"/packages/ZEFOLauncher-*-win32.zip
else
  ls "$build"/packages/zefo-tools_*.deb
fi
