#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need.
# Idempotent and quiet when everything is present already.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libssl-dev libc-ares-dev zlib1g-dev libsqlite3-dev libpng-dev libsodium-dev
  python3 openssl procps dnsmasq-base
  # The fuzz targets: clang with its libFuzzer runtime.
  clang libclang-rt-14-dev
  # The serving configuration's test runs Debian's nginx on loopback.
  nginx
  # Cross builds, and the Debian sources of the Windows build's libraries.
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev
  autoconf automake libtool
  # Wine (32-bit beside 64-bit) and the headless display for the Windows tests.
  wine wine64 wine32:i386 xvfb x11-utils xdotool imagemagick
)

sudo=
[ "$(id -u)" = 0 ] || sudo=sudo

# wine32 is an i386 package: the architecture must be known to dpkg first.
added_arch=
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  added_arch=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ] || [ -n "$added_arch" ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
