#!/usr/bin/env bash
# Runs a fuzzing campaign over the targets of fuzz/ and adds what it finds to
# their corpora.
#
#   scripts/fuzz-campaign.sh [-t MINUTES] [-j JOBS] [-b BUILD_DIR] [TARGET...]
#
# Each target (all of fuzz/corpus/* by default) runs MINUTES (default 10)
# under libFuzzer, at the lowest priority, JOBS at once (default 2), with a
# 2 GiB memory limit. New inputs are gathered apart; afterwards the ones that
# add coverage are merged into fuzz/corpus/<target> (libFuzzer -merge=1, so
# the corpora stay small). Logs, new inputs and crash inputs are kept in
# BUILD_DIR/campaign/<target>/, with a summary in BUILD_DIR/campaign/summary.txt.
# A crash input is never merged: fix the fault, then add the input to the
# corpus (and, where it shows a real fault, to a unit test).
set -euo pipefail
cd "$(dirname "$0")/.."

minutes=10
jobs=2
build=build/fuzz
while getopts "t:j:b:" option; do
  case $option in
    t) minutes=$OPTARG ;;
    j) jobs=$OPTARG ;;
    b) build=$OPTARG ;;
    *) echo "usage: $0 [-t MINUTES] [-j JOBS] [-b BUILD_DIR] [TARGET...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZEFO_FUZZ=ON -DZEFO_BUILD_TESTS=OFF -DZEFO_BUILD_BENCHMARKS=OFF >/dev/null
fi
if ! grep -q '^ZEFO_HAVE_LIBFUZZER:INTERNAL=1' "$build/CMakeCache.txt"; then
  echo "$build was not built with libFuzzer (clang and its fuzzer runtime are needed)" >&2
  exit 1
fi
nice -n 10 cmake --build "$build" -j 2 --target "${targets[@]}"

campaign=$build/campaign
mkdir -p "$campaign"
# The scratch folders of the targets on a memory file system where there is one.
scratch=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )/zefo-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

run_target() {
  local target=$1
  local dir=$campaign/$target
  rm -rf "$dir"
  mkdir -p "$dir/new"
  local status=0
  TMPDIR=$scratch nice -n 19 "$build/fuzz/$target" -max_total_time=$((minutes * 60)) -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$dir/" "$dir/new" "fuzz/corpus/$target" >"$dir/fuzz.log" 2>&1 ||
    status=$?
  TMPDIR=$scratch nice -n 19 "$build/fuzz/$target" -merge=1 -rss_limit_mb=2048 "fuzz/corpus/$target" "$dir/new" \
    >"$dir/merge.log" 2>&1 || true
  echo "$status" >"$dir/status"
}

running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  echo "fuzzing $target for $minutes minute(s)"
  run_target "$target" &
  running=$((running + 1))
done
wait

summary=$campaign/summary.txt
: >"$summary"
failed=0
for target in "${targets[@]}"; do
  dir=$campaign/$target
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/fuzz.log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]*' "$dir/fuzz.log" | tail -1 | cut -d' ' -f2)
  features=$(grep -o 'ft: [0-9]*' "$dir/fuzz.log" | tail -1 | cut -d' ' -f2)
  crashes=$(find "$dir" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  files=$(find "fuzz/corpus/$target" -type f | wc -l)
  printf '%-24s %3s min  execs %-10s cov %-6s ft %-6s findings %s  corpus %s files  (exit %s)\n' \
    "$target" "$minutes" "${execs:-?}" "${coverage:-?}" "${features:-?}" "$crashes" "$files" "$(cat "$dir/status")" |
    tee -a "$summary"
  if [ "$crashes" -gt 0 ]; then failed=1; fi
done
echo "corpora: $(du -sh --apparent-size fuzz/corpus | cut -f1)" | tee -a "$summary"
exit $failed
