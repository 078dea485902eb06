#!/usr/bin/env bash
# Checks what a package installs, without installing it on this machine.
#
#   tests/ops/check-packages.sh deb zefo-tools_*.deb
#       The files it holds; its dependencies name the package of every shared
#       library the tools load; extracted into a scratch root, the tools run:
#       --help, a release of a small build, verify, show, a registry value; the
#       manual pages render and name every command the --help text names.
#   tests/ops/check-packages.sh zip ZEFOLauncher-*-win32.zip
#       The program folder holds the updater and nothing else.
set -uo pipefail

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Runs a command; its output in $out, its status in $status.
run() { out=$("$@" 2>&1); status=$?; }

check_zip() {
  local zip=$1
  local listed
  listed=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip") ||
    { fail "$zip cannot be read"; return; }
  if [ "$listed" = "ZEFOLauncher.exe" ]; then
    pass "the zip holds exactly ZEFOLauncher.exe at its top"
  else
    fail "the zip should hold exactly ZEFOLauncher.exe at its top; it holds: $(tr '\n' ' ' <<<"$listed")"
  fi
}

check_deb() {
  local deb=$1
  local scratch
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/zefo-package.XXXXXX")
  trap 'rm -rf "$scratch"' RETURN

  # What it installs.
  local files expected
  files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $NF}' | sort)
  expected=$(printf '%s\n' ./usr/bin/zefo-publish ./usr/bin/zefo-reg \
    ./usr/share/man/man1/zefo-publish.1.gz ./usr/share/man/man1/zefo-reg.1.gz | sort)
  if [ "$files" = "$expected" ]; then
    pass "the package holds the two tools and their manual pages"
  else
    fail "files of the package: $(tr '\n' ' ' <<<"$files"); expected $(tr '\n' ' ' <<<"$expected")"
  fi
  [ "$(dpkg-deb --field "$deb" Package)" = zefo-tools ] && pass "package name zefo-tools" ||
    fail "package name is $(dpkg-deb --field "$deb" Package)"

  dpkg-deb -x "$deb" "$scratch/root" || { fail "dpkg-deb -x"; return; }
  local bin=$scratch/root/usr/bin

  # A fresh machine gets what the tools load from the dependencies.
  local depends library real owner missing=0
  depends=$(dpkg-deb --field "$deb" Depends)
  for tool in zefo-publish zefo-reg; do
    while read -r library; do
      real=$(readlink -f "$library")
      owner=$(dpkg -S "$library" 2>/dev/null || dpkg -S "$real" 2>/dev/null || true)
      owner=${owner%%:*}
      if [ -z "$owner" ]; then
        fail "$tool loads $library, which no package owns"
        missing=1
      elif ! tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -qxF "$owner"; then
        fail "$tool loads $library of $owner, which Depends ($depends) does not name"
        missing=1
      fi
    done < <(ldd "$bin/$tool" | awk '$2 == "=>" && $3 ~ /^\// {print $3}')
    if ldd "$bin/$tool" | grep -q "not found"; then
      fail "$tool: a shared library is not found"
      missing=1
    fi
  done
  [ $missing = 0 ] && pass "Depends names the package of every library the tools load ($depends)"

  # The help texts, and the manual pages beside them.
  for tool in zefo-publish zefo-reg; do
    out=$("$bin/$tool" --help 2>"$scratch/help.err")
    status=$?
    if [ $status = 0 ] && grep -qi "usage" <<<"$out" && [ ! -s "$scratch/help.err" ]; then
      pass "$tool --help prints the usage and succeeds"
    else
      fail "$tool --help (status $status): $out $(cat "$scratch/help.err")"
    fi
    local commands page rendered
    commands=$(grep -oE "$tool [a-z]+" <<<"$out" | awk '{print $2}' | sort -u)
    page=$scratch/root/usr/share/man/man1/$tool.1.gz
    rendered=$(gzip -dc "$page" | groff -man -Tutf8 -ww 2>"$scratch/groff.err" | sed 's/.\x08//g')
    if [ -s "$scratch/groff.err" ]; then
      fail "$tool.1 renders with warnings: $(cat "$scratch/groff.err")"
    fi
    for command in $commands; do
      grep -q "$tool $command" <<<"$rendered" || fail "$tool.1 does not show \"$tool $command\" of --help"
    done
    [ -n "$commands" ] && pass "$tool.1 shows every command of --help: $(tr '\n' ' ' <<<"$commands")"
  done

  # A release of a small build into a new tree, then verify and show.
  local build=$scratch/build tree=$scratch/tree/patch
  mkdir -p "$build/x86" "$build/x64"
  printf 'updater' >"$build/ZEFOLauncher.exe"
  printf 'launcher 32' >"$build/x86/ZLauncher.exe"
  printf 'launcher 64' >"$build/x64/ZLauncher.exe"
  run "$bin/zefo-publish" release "$tree" "$build" --version 100
  if [ $status = 0 ] && [ "$(cat "$tree/VersionInfo.txt" 2>/dev/null)" = 100 ] &&
     cmp -s "$tree/100/x64/ZLauncher.exe" "$build/x64/ZLauncher.exe"; then
    pass "zefo-publish release publishes version 100"
  else
    fail "zefo-publish release (status $status): $out"
  fi
  run "$bin/zefo-publish" verify "$tree"
  [ $status = 0 ] && grep -q "no problems found" <<<"$out" && pass "zefo-publish verify finds no problems" ||
    fail "zefo-publish verify (status $status): $out"
  run "$bin/zefo-publish" release "$tree" "$build" --version 100
  [ $status = 1 ] && grep -q "refused" <<<"$out" && pass "zefo-publish refuses a version already published" ||
    fail "a second release of 100 (status $status): $out"
  # A signed release: the signing library comes with the dependencies.
  local signed=$scratch/signed/patch public
  public=$("$bin/zefo-publish" keygen "$scratch/release.key" 2>&1)
  run "$bin/zefo-publish" release "$signed" "$build" --version 100 --sign "$scratch/release.key" --expires 30
  if [ $status = 0 ] && [ -f "$signed/VersionInfo.txt.sig" ]; then
    run "$bin/zefo-publish" verify "$signed" --public-key "$public"
    [ $status = 0 ] && pass "zefo-publish signs a release and verifies its signatures" ||
      fail "zefo-publish verify --public-key (status $status): $out"
  else
    fail "zefo-publish release --sign (status $status): $out"
  fi
  run "$bin/zefo-publish" show "$tree"
  [ $status = 0 ] && grep -q "x64/ZLauncher.exe" <<<"$out" && pass "zefo-publish show lists the release" ||
    fail "zefo-publish show (status $status): $out"

  # The registry store, in a folder of the check's own.
  local key='HKCU\SOFTWARE\Tavrin\Zlauncher'
  run env XDG_CONFIG_HOME="$scratch/config" "$bin/zefo-reg" set "$key" VERSION dword 101
  [ $status = 0 ] || fail "zefo-reg set (status $status): $out"
  run env XDG_CONFIG_HOME="$scratch/config" "$bin/zefo-reg" get "$key" VERSION
  if [ $status = 0 ] && grep -q "101" <<<"$out" && [ -f "$scratch/config/tavrin/registry.sqlite3" ]; then
    pass "zefo-reg writes and reads a value"
  else
    fail "zefo-reg get (status $status): $out"
  fi
}

[ $# = 2 ] || { echo "usage: $0 deb FILE.deb | zip FILE.zip" >&2; exit 2; }
[ -f "$2" ] || { echo "$0: $2 does not exist" >&2; exit 2; }
case "$1" in
  deb) check_deb "$2" ;;
  zip) check_zip "$2" ;;
  *) echo "usage: $0 deb FILE.deb | zip FILE.zip" >&2; exit 2 ;;
esac
if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed for $2" >&2
  exit 1
fi
echo "all checks passed for $2"
