#!/usr/bin/env bash
# The updater at work, on this machine alone: makes a release signing key,
# builds ZEFOLauncher for the loopback service hosts with that key's public
# half, publishes a sample launcher as signed versions 101 to 104 on a local
# patch server (HTTPS and HTTP), installs 101 into a temporary
# program folder, lets ZEFOLauncher update it to 104 and start the launcher,
# and prints what changed. Everything it starts, it stops; everything it
# writes lies below one temporary folder, removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

bash scripts/install-deps.sh
bash scripts/build-win-deps.sh linux

build=$repo/build/demo
work=$(mktemp -d "${TMPDIR:-/tmp}/zefo-demo.XXXXXX")
echo "=== Building zefo-publish in $build"
mkdir -p "$build"
configure() {  # configure CMAKE-ARGS...: the demo's build folder
  cmake --preset linux -B "$build" -DZEFO_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release \
    -DZEFO_BUILD_BENCHMARKS=OFF "$@" >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
}
configure
cmake --build "$build" --target zefo-publish
publish=$build/tools/zefo-publish/zefo-publish

echo
echo "=== Making the publisher's signing key (docs/SIGNING.md)"
mkdir -p "$work/keys"
public_key=$("$publish" keygen "$work/keys/release.key")
echo "Public key: $public_key"

echo
echo "=== Building ZEFOLauncher with that public key, the sample launcher and zefo-reg"
configure -DZEFO_RELEASE_PUBLIC_KEY="$public_key"
cmake --build "$build" --target ZEFOLauncher zefo_test_launcher zefo-reg zefo-publish
updater=$build/updater/app/ZEFOLauncher.exe
sample=$build/tests/app/zefo_test_launcher
reg=$build/tools/zefo-reg/zefo-reg
server=$repo/tests/fixtures/patch_server.py
# The loopback ports the updater was just built for (the linux preset's hosts).
port_of() { sed -n "s/^$1:STRING=.*:\([0-9]*\)$/\1/p" "$build/CMakeCache.txt"; }
https_port=$(port_of ZEFO_LIVE_HTTPS_HOST) http_port=$(port_of ZEFO_LIVE_HTTP_HOST)
webhook_port=$(port_of ZEFO_WEBHOOK_HOST) api_port=$(port_of ZEFO_API_HOST)
for port in "$https_port" "$http_port" "$webhook_port" "$api_port"; do
  [ -n "$port" ] || { echo "The build in $build names no loopback port for a service host." >&2; exit 1; }
done

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for record in "$work"/program/x86/ZLauncher.record "$work"/program/x64/ZLauncher.record; do
    [ -f "$record" ] || continue
    pid=$(sed -n 's/^pid=//p' "$record")
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

program=$work/program
export XDG_CONFIG_HOME=$work/config   # the registry store of this demo only
key='HKCU\SOFTWARE\Tavrin\Zlauncher'

echo
echo "=== Publishing the sample launcher as versions 101 to 104, signed, expiring in 30 days"
make_build() {  # make_build VERSION: the launcher build as its installer lays it out
  local dir=$work/builds/$1
  mkdir -p "$dir/x86" "$dir/x64" "$dir/lib" "$dir/resources"
  cp "$updater" "$dir/ZEFOLauncher.exe"   # every build carries the updater
  cp "$sample" "$dir/x86/ZLauncher.exe"
  cp "$sample" "$dir/x64/ZLauncher.exe"
  echo "core library 1.0" >"$dir/lib/core.dll"
  echo "Sample launcher, version $1" >"$dir/resources/readme.txt"
  echo "legacy data" >"$dir/resources/legacy.dat"
  if [ "$1" -ge 102 ]; then echo "News of version 102" >"$dir/resources/news.txt"; fi
  if [ "$1" -ge 103 ]; then
    # Bytes after the program image change the file, not what it does.
    printf 'build 103' >>"$dir/x64/ZLauncher.exe"
    echo "core library 1.3" >"$dir/lib/core.dll"
    rm "$dir/resources/legacy.dat"
  fi
  if [ "$1" -ge 104 ]; then
    mkdir -p "$dir/resources/maps"
    echo "map one" >"$dir/resources/maps/map01.dat"
  fi
}
for version in 101 102 103 104; do
  make_build $version
  "$publish" release "$work/site/patch" "$work/builds/$version" --version $version \
    --sign "$work/keys/release.key" --expires 30 >/dev/null
done
"$publish" verify "$work/site/patch" --public-key "$public_key"
sed -n 2p "$work/site/patch/VersionInfo.txt"

echo
echo "=== Serving it on 127.0.0.1 (HTTPS $https_port, HTTP $http_port; webhook $webhook_port, address lookup $api_port)"
python3 "$server" make-ca --ca-dir "$work/ca"
export SSL_CERT_FILE=$work/ca/ca.pem CURL_CA_BUNDLE=$work/ca/ca.pem
start_server() {  # start_server NAME ARGS...: runs until the demo ends
  local name=$1; shift
  mkdir -p "$work/$name"
  python3 "$server" "$@" --ca-dir "$work/ca" --control-dir "$work/$name" --exit-with-parent \
    >"$work/$name.log" 2>&1 &
  pids+=($!)
  local pid=$!
  for _ in $(seq 150); do
    [ -f "$work/$name/ready" ] && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  echo "The $name server did not start (is a port in use, by tests for example?):" >&2
  cat "$work/$name.log" >&2
  exit 1
}
start_server patch serve --root "$work/site" --http-port "$http_port" --https-port "$https_port"
start_server webhook webhook --http-port 0 --https-port "$webhook_port"
start_server api webhook --http-port 0 --https-port "$api_port" \
  --address-info '{"ip":"127.0.0.1","country":"Loopback"}'

echo
echo "=== Installing version 101 into $program"
mkdir -p "$program"
cp -r "$work/builds/101/." "$program/"
"$reg" set "$key" FILENAME sz "$program/ZEFOLauncher.exe"
"$reg" set "$key" PATH sz "$program"
"$reg" set "$key" VERSION dword 101

snapshot() {  # snapshot FILE: the program folder's files with their digests
  # Left out: the scratch folder "Output" (every start deletes it) and the
  # sample launcher's record of its start.
  (cd "$program" && find . -path ./Output -prune -o -type f ! -name ZLauncher.record -printf '%P\n' |
    while read -r f; do
      printf '%s %s\n' "$(md5sum <"$f" | cut -c1-32)" "$f"
    done) | LC_ALL=C sort -k2 >"$1"
}
changes() {  # changes BEFORE AFTER: files added, changed and removed
  LC_ALL=C join -1 2 -2 2 -a 1 -a 2 -e '-' -o 0,1.1,2.1 "$1" "$2" |
    while read -r name before after; do
      if [ "$before" = - ]; then echo "  added    $name"
      elif [ "$after" = - ]; then echo "  removed  $name"
      elif [ "$before" != "$after" ]; then echo "  changed  $name"
      fi
    done
}
version() { "$reg" get "$key" VERSION | cut -f3; }
launcher_command_line() {
  local record=$program/x64/ZLauncher.record
  [ -f "$record" ] || record=$program/x86/ZLauncher.record
  printf '  %s' "$(sed -n 's/^exe=//p' "$record")"
  sed -n 's/^arg=//p' "$record" | while read -r arg; do printf ' %s' "$arg"; done
  printf '\n  (working folder %s)\n' "$(sed -n 's/^cwd=//p' "$record")"
}
run_updater() {  # runs ZEFOLauncher with nothing to type, then waits for the launcher
  rm -f "$program"/x86/ZLauncher.record "$program"/x64/ZLauncher.record
  (cd "$work" && timeout 300 "$program/ZEFOLauncher.exe" "$@" </dev/null)
  for _ in $(seq 150); do
    grep -qsx ready "$program"/x64/ZLauncher.record "$program"/x86/ZLauncher.record && return 0
    sleep 0.2
  done
  echo "The launcher was not started." >&2
  exit 1
}

snapshot "$work/before.txt"
before_version=$(version)

echo
echo "=== Running ZEFOLauncher"
run_updater
snapshot "$work/after.txt"
echo
echo "=== What changed"
echo "VERSION: $before_version -> $(version)"
echo "Files:"
changes "$work/before.txt" "$work/after.txt"
echo "Signatures the updater fetched and checked:"
grep -ao '/patch/[A-Za-z0-9_./-]*\.sig' "$work/patch/requests.log" | LC_ALL=C sort -u | sed 's/^/  /'
echo "The launcher was started as:"
launcher_command_line

echo
echo "=== Running ZEFOLauncher again: it tidies the folder and finds 104 current"
run_updater
snapshot "$work/again.txt"
echo
echo "=== What the second start changed"
changes "$work/after.txt" "$work/again.txt"
echo "VERSION: $(version)"

echo
echo "Demo finished: version 101 was updated to $(version) from signed manifests and the launcher started."
