#!/usr/bin/env bash
# Side-by-side benchmark (docs/PERFORMANCE.md): the optimised updater through
# a whole update 101 -> 102 served by Debian's nginx on loopback over HTTPS,
# against the same work done by the standard tools (one curl process reusing
# its connection, md5sum, cp, sync, plus the two 1 ms pauses per file the
# download protocol makes); and zefo-publish against md5sum + cp + sync.
#
#   scripts/bench-update.sh [--quick] [--runs N] [--build DIR] [--cases LIST]
#
# --quick   small sizes, to try the script (100 x 4 KiB, 1,000 x 1 KiB, 64 MiB)
# --runs N  measure every case N times (default 1)
# --build   build folder of the linux-release preset (default build/bench)
# --cases   comma-separated subset of: small,tiny,big,publish (default all)
#
# Ports 27600-27649 of 127.0.0.1 only; everything written lies below one
# temporary folder, removed at the end. Not part of the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

quick=0
runs=1
build=$repo/build/bench
cases=small,tiny,big,publish
while [ $# -gt 0 ]; do
  case $1 in
    --quick) quick=1 ;;
    --runs) runs=$2; shift ;;
    --build) build=$2; shift ;;
    --cases) cases=$2; shift ;;
    *) echo "usage: $0 [--quick] [--runs N] [--build DIR] [--cases small,tiny,big,publish]" >&2; exit 2 ;;
  esac
  shift
done
wanted() { [[ ",$cases," == *",$1,"* ]]; }

for tool in nginx curl md5sum /usr/bin/time openssl python3; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

# The loopback hosts the benchmark build is made for.
https_port=27601
http_port=27602
webhook_port=27605
api_port=27606

echo "=== Building the linux-release preset in $build"
mkdir -p "$build"
nice -n 10 cmake --preset linux-release -B "$build" \
  -DZEFO_LIVE_HTTPS_HOST=127.0.0.1:$https_port -DZEFO_LIVE_HTTP_HOST=127.0.0.1:$http_port \
  -DZEFO_STAGE_HTTPS_HOST=127.0.0.1:27603 -DZEFO_STAGE_HTTP_HOST=127.0.0.1:27604 \
  -DZEFO_WEBHOOK_HOST=127.0.0.1:$webhook_port -DZEFO_API_HOST=127.0.0.1:$api_port \
  >"$build/bench-configure.log" 2>&1 || { cat "$build/bench-configure.log"; exit 1; }
nice -n 10 cmake --build "$build" -j2 --target ZEFOLauncher zefo-reg zefo-publish >"$build/bench-build.log" 2>&1 ||
  { tail -40 "$build/bench-build.log"; exit 1; }
updater=$build/updater/app/ZEFOLauncher.exe
reg=$build/tools/zefo-reg/zefo-reg
publish=$build/tools/zefo-publish/zefo-publish

base=$(mktemp -d "${TMPDIR:-/tmp}/zefo-bench.XXXXXX")
work=$base
own_fs=
nginx_pid=
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  [ -n "$own_fs" ] && umount "$own_fs" 2>/dev/null
  rm -rf "$base"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Run as root, everything is written to a fresh ext4 file system of the
# benchmark's own (with a journal, as a player's disk has), in a sparse image
# on a loop device. A disk that has seen many files come and go can make
# creating a file cost a long search for a free inode (see docs/PERFORMANCE.md),
# unevenly between the two sides.
if [ "$(id -u)" = 0 ] && command -v mkfs.ext4 >/dev/null; then
  truncate -s 12G "$base/fs.img"
  mkdir "$base/fs"
  if mkfs.ext4 -q -F "$base/fs.img" && mount -o loop "$base/fs.img" "$base/fs"; then
    own_fs=$base/fs
    work=$own_fs
  else
    echo "note: no loop device; measuring on the file system of $base" >&2
  fi
else
  echo "note: not root; measuring on the file system of $base" >&2
fi

# The test servers' CA and certificate for 127.0.0.1, trusted beside the
# system's own bundle, so each side loads a store of the usual size.
python3 tests/fixtures/patch_server.py make-ca --ca-dir "$work/ca"
cat /etc/ssl/certs/ca-certificates.crt "$work/ca/ca.pem" >"$work/trust.pem"
unset http_proxy https_proxy HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
export SSL_CERT_FILE=$work/trust.pem CURL_CA_BUNDLE=$work/trust.pem
export XDG_CONFIG_HOME=$work/config  # the registry store of this run only
key='HKCU\SOFTWARE\Tavrin\Zlauncher'

site=$work/site
mkdir -p "$site" "$work/nginx"
{
  [ "$(id -u)" = 0 ] && echo "user root;"  # the files lie in a private folder
  cat <<EOF
worker_processes 1;
error_log $work/nginx/error.log warn;
pid $work/nginx/nginx.pid;
daemon off;
events { worker_connections 256; }
http {
  access_log off;
  default_type application/octet-stream;
  sendfile on;
  keepalive_requests 1000000;
  keepalive_timeout 300s;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  ssl_certificate $work/ca/server.pem;
  ssl_certificate_key $work/ca/server.key;
  server { listen 127.0.0.1:$https_port ssl; root $site; }
  server { listen 127.0.0.1:$http_port; root $site; }
  server { listen 127.0.0.1:$webhook_port ssl; location / { return 200 "ok"; } }
  server {
    listen 127.0.0.1:$api_port ssl;
    location = /ipinfo { return 200 '{"ip":"127.0.0.1","country":"Loopback"}'; }
  }
}
EOF
} >"$work/nginx/nginx.conf"
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
for _ in $(seq 50); do
  curl -s -o /dev/null --cacert "$work/trust.pem" "https://127.0.0.1:$https_port/" && break
  kill -0 "$nginx_pid" 2>/dev/null || { cat "$work/nginx/error.log" >&2; exit 1; }
  sleep 0.1
done

# make_files DIR COUNT SIZE: COUNT files of SIZE random bytes below DIR/data.
make_files() {
  python3 - "$@" <<'EOF'
import os, sys
root, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
piece = 1 << 20
for i in range(count):
    folder = os.path.join(root, "data", "d%03d" % (i // 100))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%05d.bin" % i), "wb") as f:
        left = size
        while left > 0:
            f.write(os.urandom(min(piece, left)))
            left -= piece
EOF
}

# A launcher that ends at once: the updater starts it when it is done.
make_program_files() {
  mkdir -p "$1/x86" "$1/x64"
  cp "$updater" "$1/ZEFOLauncher.exe"
  printf '#!/bin/sh\nexit 0\n' >"$1/x86/ZLauncher.exe"
  cp "$1/x86/ZLauncher.exe" "$1/x64/ZLauncher.exe"
  chmod +x "$1/x86/ZLauncher.exe" "$1/x64/ZLauncher.exe"
}

# Nothing either side wrote is still on its way to a disk when the other
# starts. Twice: the benchmark's own file system writes into its image, whose
# pages the first pass may have left behind.
flush_all() { sync; sync; }

# On ext4 without a journal, creating a file skips every inode freed less
# than the writeback expiry ago (30 s by default), reading its table block to
# learn that: whichever side ran first after the last run's deletions paid for
# them. Both sides start after that window, unless on the benchmark's own
# file system, which has a journal.
settle() {
  flush_all
  [ -n "$own_fs" ] || sleep $(($(cat /proc/sys/vm/dirty_expire_centisecs 2>/dev/null || echo 3000) / 100 + 1))
}

seconds_since() { python3 -c "import sys,time; print('%.2f' % (time.time() - float(sys.argv[1])))" "$1"; }
now() { date +%s.%N; }
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2"; }
report_line() {  # report_line CASE OURS THEIRS EXTRA
  printf '%-28s %9s s %9s s %7sx  %s\n' "$1" "$2" "$3" "$(ratio "$2" "$3")" "$4"
}
# Sums over the runs of a case, for its mean line.
add() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) + float(sys.argv[2])))" "$1" "$2"; }
mean() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$runs"; }

# The standard tools' side of an update case; sets tools (seconds).
update_by_tools() {
  local start
  start=$(now)
  (cd "$stage" && curl --silent --show-error --fail --create-dirs --cacert "$work/trust.pem" -K "$list")
  (cd "$stage" && md5sum --quiet -c "$sums")
  cp -r "$stage/data" "$target/"
  sync --file-system "$target"  # one file system, as the updater syncs
  tools=$(python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) + float(sys.argv[2])))" \
    "$(seconds_since "$start")" "$pauses")
}

# The updater's side: the whole update of the prepared program folder; sets
# ours (seconds) and peak (KiB).
update_by_updater() {
  (cd "$work" && /usr/bin/time -f '%e %M' -o "$work/time.txt" \
    timeout 900 "$program/ZEFOLauncher.exe" </dev/null >"$work/updater.log" 2>&1) || true
  local version
  version=$("$reg" get "$key" VERSION | cut -f3)
  if [ "$version" != 102 ] || ! diff -rq "$builds/102/data" "$program/data" >/dev/null; then
    echo "The updater did not reach 102 with every file (VERSION $version); its output:" >&2
    tail -20 "$work/updater.log" >&2
    exit 1
  fi
  read -r ours peak <"$work/time.txt"
}

# update_case NAME COUNT SIZE: publishes 101 (the program alone) and 102
# (COUNT new files of SIZE bytes), then measures both sides RUNS times.
update_case() {
  local name=$1 count=$2 size=$3
  local builds=$work/builds
  rm -rf "$builds" "$site/patch"
  make_program_files "$builds/101"
  make_program_files "$builds/102"
  make_files "$builds/102" "$count" "$size"
  "$publish" release "$site/patch" "$builds/101" --version 101 >/dev/null
  "$publish" release "$site/patch" "$builds/102" --version 102 >/dev/null

  # What the tools fetch: the same manifests and files as the updater.
  local base=https://127.0.0.1:$https_port/patch
  local list=$work/curl.cfg sums=$work/sums.txt
  : >"$list"
  for manifest in VersionInfo.txt 102/download_info.txt VersionHash.inf; do
    printf 'url = "%s/%s"\noutput = "manifests/%s"\n' "$base" "$manifest" "$manifest" >>"$list"
  done
  (cd "$site/patch/102" && find data -type f) | LC_ALL=C sort >"$work/files.txt"
  while read -r f; do printf 'url = "%s/102/%s"\noutput = "%s"\n' "$base" "$f" "$f"; done \
    <"$work/files.txt" >>"$list"
  (cd "$builds/102" && xargs -a "$work/files.txt" -d '\n' md5sum) >"$sums"
  local fetched=$((count + 3))
  local pauses
  pauses=$(python3 -c "print('%.3f' % ($fetched * 2 / 1000))")

  local stage=$work/stage target=$work/target program=$work/program
  local sum_ours=0 sum_tools=0 max_peak=0
  for run in $(seq "$runs"); do
    # Everything the last run wrote goes before either side starts: on a file
    # system without a journal, creating files right after many deletions is
    # slow, and it must not weigh on one side only.
    rm -rf "$stage" "$target" "$program" "$XDG_CONFIG_HOME"
    mkdir -p "$stage" "$target"
    cp -r "$builds/101" "$program"
    "$reg" set "$key" FILENAME sz "$program/ZEFOLauncher.exe" >/dev/null
    "$reg" set "$key" PATH sz "$program" >/dev/null
    "$reg" set "$key" VERSION dword 101 >/dev/null
    settle
    # Each side goes first in every other run.
    if [ $((run % 2)) = 1 ]; then
      update_by_tools; flush_all; update_by_updater
    else
      update_by_updater; flush_all; update_by_tools
    fi
    report_line "$name (run $run)" "$ours" "$tools" "updater peak RSS $((peak / 1024)) MiB; tools include ${pauses} s of pauses"
    sum_ours=$(add "$sum_ours" "$ours")
    sum_tools=$(add "$sum_tools" "$tools")
    [ "$peak" -gt "$max_peak" ] && max_peak=$peak
  done
  [ "$runs" -gt 1 ] && report_line "$name (mean)" "$(mean "$sum_ours")" "$(mean "$sum_tools")" \
    "updater peak RSS $((max_peak / 1024)) MiB at most"
  rm -rf "$builds" "$site/patch" "$work/stage" "$work/target" "$work/program"
}

publish_by_tools() {
  local start
  start=$(now)
  (cd "$tree" && find . -type f -print0 | xargs -0 md5sum >/dev/null)
  cp -r "$tree" "$copy/101"
  sync --file-system "$copy"  # one file system, as zefo-publish syncs
  tools=$(seconds_since "$start")
}

publish_by_publisher() {
  local start
  start=$(now)
  "$publish" release "$root" "$tree" --version 101 >/dev/null
  ours=$(seconds_since "$start")
}

publish_case() {
  local name=$1 count=$2 size=$3 big=$4
  local tree=$work/publish-build
  rm -rf "$tree"
  make_program_files "$tree"
  make_files "$tree" "$count" "$size"
  mkdir -p "$tree/big"
  head -c "$big" /dev/urandom >"$tree/big/archive.pak"
  local root=$work/publish-root copy=$work/publish-copy
  local sum_ours=0 sum_tools=0 sum_verify=0 sum_md5=0
  for run in $(seq "$runs"); do
    rm -rf "$root" "$copy" && mkdir -p "$copy"
    settle
    if [ $((run % 2)) = 1 ]; then
      publish_by_tools; flush_all; publish_by_publisher
    else
      publish_by_publisher; flush_all; publish_by_tools
    fi
    report_line "$name release (run $run)" "$ours" "$tools" "md5sum + cp -r + sync"
    sum_ours=$(add "$sum_ours" "$ours")
    sum_tools=$(add "$sum_tools" "$tools")

    local start
    start=$(now)
    (cd "$root" && find . -type f -print0 | xargs -0 md5sum >/dev/null)
    tools=$(seconds_since "$start")
    start=$(now)
    "$publish" verify "$root" >/dev/null
    ours=$(seconds_since "$start")
    report_line "$name verify (run $run)" "$ours" "$tools" "md5sum of the published tree"
    sum_verify=$(add "$sum_verify" "$ours")
    sum_md5=$(add "$sum_md5" "$tools")
  done
  if [ "$runs" -gt 1 ]; then
    report_line "$name release (mean)" "$(mean "$sum_ours")" "$(mean "$sum_tools")" "md5sum + cp -r + sync"
    report_line "$name verify (mean)" "$(mean "$sum_verify")" "$(mean "$sum_md5")" "md5sum of the published tree"
  fi
  rm -rf "$tree" "$root" "$copy"
}

echo
echo "=== $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(nginx -v 2>&1); $(curl --version | head -n 1 | cut -d' ' -f1-2)"
echo "=== files on $(findmnt -no SOURCE,FSTYPE -T "$work" | tr -s ' ')${own_fs:+, made for this run}"
printf '%-28s %11s %11s %8s\n' "case" "ours" "tools" "ratio"
if [ "$quick" = 1 ]; then
  small=(100 4096 "100 x 4 KiB") tiny=(1000 1024 "1,000 x 1 KiB") big=(1 $((64 << 20)) "1 x 64 MiB")
  published=(1000 8192 $((32 << 20)) "publish 1,000 x 8 KiB + 32 MiB")
else
  small=(1000 4096 "1,000 x 4 KiB") tiny=(10000 1024 "10,000 x 1 KiB") big=(1 $((1 << 30)) "1 x 1 GiB")
  published=(10000 8192 $((512 << 20)) "publish 10,000 x 8 KiB + 512 MiB")
fi
if wanted small; then update_case "${small[2]}" "${small[0]}" "${small[1]}"; fi
if wanted tiny; then update_case "${tiny[2]}" "${tiny[0]}" "${tiny[1]}"; fi
if wanted big; then update_case "${big[2]}" "${big[0]}" "${big[1]}"; fi
if wanted publish; then
  publish_case "${published[3]}" "${published[0]}" "${published[1]}" "${published[2]}"
fi
