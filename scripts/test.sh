#!/usr/bin/env bash
# Builds both targets and runs every test: natively (ASan + UBSan) with CTest,
# and the cross-built Windows tests under Wine. Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || exit 1

status=0
step() { echo; echo "=== $*"; }

step "Linux build (tests, sanitizers)"
cmake --preset linux >/dev/null && cmake --build --preset linux || exit 1
step "Linux tests"
ctest --preset linux -j 2 || status=1

step "Windows build, 32-bit (the product)"
cmake --preset windows >/dev/null && cmake --build --preset windows || exit 1
# 64-bit Wine runs the tests from the x86-64 twin of the Windows build: this
# machine's kernel cannot execute 32-bit programs, so 32-bit Wine cannot start.
step "Windows build, 64-bit twin with the tests"
cmake --preset windows64 >/dev/null && cmake --build --preset windows64 || exit 1
step "Windows tests under Wine"
bash scripts/wine-session.sh start build/windows64 || exit 1
ctest --preset windows64 || status=1
bash scripts/wine-session.sh stop build/windows64

exit $status
