#!/usr/bin/env bash
# Builds both targets and runs every test: natively (ASan + UBSan) with CTest,
# and the cross-built Windows tests under Wine. Exits non-zero when anything fails.
#
# The Windows tests run from the 32-bit product build itself under 32-bit Wine
# where this machine's kernel runs 32-bit programs (scripts/probe-32bit.sh);
# where it does not, 32-bit Wine cannot start, and they run from the x86-64
# twin of the build under 64-bit Wine instead.
set -uo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
bash scripts/install-deps.sh || exit 1

status=0
step() { echo; echo "=== $*"; }

if bash scripts/probe-32bit.sh; then
  win_triplets=(i686-w64-mingw32)
  win_tests=windows
  win_note="32-bit product build (i686) under 32-bit Wine"
else
  win_triplets=(i686-w64-mingw32 x86_64-w64-mingw32)
  win_tests=windows64
  win_note="x86-64 twin build under 64-bit Wine (this kernel does not run 32-bit programs)"
fi

step "Third-party libraries (built once from Debian's sources, then cached)"
bash scripts/build-win-deps.sh linux "${win_triplets[@]}" || exit 1

step "Linux build (tests, sanitizers)"
cmake --preset linux >/dev/null && cmake --build --preset linux || exit 1
step "Linux tests"
ctest --preset linux -j 2 || status=1

step "Debian package of the operator's tools (built, then checked in a scratch folder)"
if deb=$(bash scripts/package.sh deb); then
  bash tests/ops/check-packages.sh deb "$deb" || status=1
else
  status=1
fi

step "Fuzz regression: every corpus of fuzz/ replayed once"
# clang with libFuzzer where its runtime links, else the targets' replay main.
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEFO_FUZZ=ON \
  -DZEFO_BUILD_TESTS=OFF -DZEFO_BUILD_BENCHMARKS=OFF >/dev/null && cmake --build build/fuzz --target zefo_fuzz_targets || exit 1
if grep -q '^ZEFO_HAVE_LIBFUZZER:INTERNAL=1' build/fuzz/CMakeCache.txt; then
  echo "Fuzz targets built with libFuzzer"
else
  echo "Fuzz targets built with the replay main (no libFuzzer)"
fi
ctest --test-dir build/fuzz -j 2 --output-on-failure || status=1

step "Windows build, 32-bit (the product and its tests)"
cmake --preset windows >/dev/null && cmake --build --preset windows || exit 1
if [ "$win_tests" = windows64 ]; then
  step "Windows build, 64-bit twin"
  cmake --preset windows64 >/dev/null && cmake --build --preset windows64 || exit 1
fi

step "Windows program folder zip"
rm -f build/windows/packages/ZEFOLauncher-*-win32.zip
if (cd "build/windows" && cpack) >build/windows/package.log 2>&1; then
  bash tests/ops/check-packages.sh zip build/windows/packages/ZEFOLauncher-*-win32.zip || status=1
else
  tail -20 build/windows/package.log
  status=1
fi

step "Windows tests under Wine"
echo "Windows tests run from: $win_note"
# The tests that open windows run after the others, in a session of their
# own: Wine's desktop process serves every program of a session, with or
# without the display it was started with.
bash scripts/wine-session.sh start "build/$win_tests" || exit 1
ctest --preset "$win_tests" -j 2 -LE wine_display || status=1
bash scripts/wine-session.sh stop "build/$win_tests"
step "Windows window tests under Wine (virtual display)"
bash scripts/wine-session.sh start "build/$win_tests" display || exit 1
ctest --preset "$win_tests" -L wine_display || status=1
bash scripts/wine-session.sh stop "build/$win_tests"

echo
echo "Windows tests ran from: $win_note"
echo "Whole test command: $((SECONDS - started)) s"
exit $status
