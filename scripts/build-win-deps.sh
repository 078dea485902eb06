#!/usr/bin/env bash
# Builds the static libraries the updater links from Debian 12's own source
# packages, into ${ZEFO_DEPS_CACHE:-$HOME/.cache/zefo-deps}/<triplet>:
#   i686-w64-mingw32, x86_64-w64-mingw32: libcurl (Schannel, c-ares resolver,
#     zlib; HTTP and HTTPS only), c-ares, libpng and libsodium; zlib is
#     Debian's libz-mingw-w64-dev under /usr/<triplet>.
#   linux: libcurl (OpenSSL, Debian's c-ares, zlib; HTTP and HTTPS only, the
#     system CA store), since Debian's own libcurl resolves names on threads
#     and so cannot take a list of DNS servers.
# A folder is rebuilt only when its stamp (source versions, this script, the
# compiler) no longer matches; it is built beside the old one and swapped in
# whole, so builds that use the old folder meanwhile keep working. The
# machine's apt sources are not touched: the sources come through a private
# apt state under the cache.
#
# Usage: bash scripts/build-win-deps.sh TRIPLET...
set -euo pipefail

readonly LIST_MAX_AGE_MIN=$((24 * 60))
readonly JOBS=2

cache=${ZEFO_DEPS_CACHE:-$HOME/.cache/zefo-deps}
script_path=$(readlink -f "${BASH_SOURCE[0]}")

die() {
  echo "build-win-deps: error: $*" >&2
  exit 1
}

usage() {
  echo "usage: bash scripts/build-win-deps.sh TRIPLET...  (i686-w64-mingw32, x86_64-w64-mingw32, linux)" >&2
  exit 2
}

[ $# -gt 0 ] || usage
for triplet in "$@"; do
  case $triplet in
    i686-w64-mingw32 | x86_64-w64-mingw32 | linux) ;;
    *) echo "build-win-deps: unknown triplet '$triplet'" >&2; usage ;;
  esac
done
for tool in apt-get dpkg-source cmake ninja flock sha256sum autoreconf libtoolize; do
  command -v "$tool" >/dev/null || die "'$tool' is missing; run scripts/install-deps.sh first"
done

mkdir -p "$cache"
# One run at a time per cache: a second run waits, then finds the work done.
exec 9>"$cache/.lock"
if ! flock -n 9; then
  echo "build-win-deps: waiting for another run on $cache"
  flock 9
fi

# --- Sources -----------------------------------------------------------------

apt_dir=$cache/apt
apt_opts=(
  -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root"
)

# The Debian archive this machine's own apt sources name for bookworm (deb822
# files first, then the one-line list); the sources themselves stay untouched.
debian_archive() {
  local uri
  uri=$(awk 'NF == 0 { u = "" } $1 == "URIs:" { u = $2 }
             $1 == "Suites:" && / bookworm( |$)/ && u != "" { print u; exit }' \
        /etc/apt/sources.list.d/*.sources 2>/dev/null)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" && / bookworm / {
             for (i = 2; i <= NF; i++) if ($i ~ "^[a-z]+://") { print $i; exit } }' \
        /etc/apt/sources.list 2>/dev/null)
  [ -n "$uri" ] || die "no Debian bookworm archive in this machine's apt sources"
  echo "$uri"
}
DEBIAN_MIRROR=$(debian_archive)
readonly DEBIAN_MIRROR

# bookworm-security is left out on purpose: with it, libpng's source could not be fetched.
refresh_source_lists() {
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  cat >"$apt_dir/sources.list.d/debian-src.sources" <<EOF
Types: deb-src
URIs: $DEBIAN_MIRROR
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  local stamp=$apt_dir/lists/.updated
  if [ -f "$stamp" ] && [ -z "$(find "$stamp" -mmin +$LIST_MAX_AGE_MIN)" ]; then
    return
  fi
  if apt-get "${apt_opts[@]}" -qq update >"$apt_dir/update.log" 2>&1; then
    touch "$stamp"
  elif [ -f "$stamp" ]; then
    echo "build-win-deps: warning: could not refresh the Debian source lists (see $apt_dir/update.log); using the previous ones" >&2
  else
    die "could not fetch the Debian source lists from $DEBIAN_MIRROR (see $apt_dir/update.log)"
  fi
}

# The version apt would fetch for a source package.
source_version() {
  local dsc
  dsc=$(apt-get "${apt_opts[@]}" source --print-uris "$1" 2>/dev/null | awk -v p="$1" '$2 ~ "^" p "_.*\\.dsc$" { print $2; exit }') ||
    true
  [ -n "$dsc" ] || die "no source package '$1' in the Debian lists (see $apt_dir/update.log)"
  dsc=${dsc#"$1"_}
  echo "${dsc%.dsc}"
}

# Unpacks (once) a source package with Debian's patches applied; prints its folder.
source_tree() {
  local package=$1 version=$2
  local tree=$cache/src/${package}_$version
  if [ ! -f "$tree/.complete" ]; then
    local work=$cache/src/.fetch-$package
    rm -rf "$work" "$cache/src/${package}_"*  # older versions too
    mkdir -p "$work"
    if ! (cd "$work" && apt-get "${apt_opts[@]}" -qq source "$package=$version" >fetch.log 2>&1); then
      die "could not fetch the source of $package $version (see $work/fetch.log)"
    fi
    local unpacked
    unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    [ -n "$unpacked" ] || die "apt-get source unpacked nothing for $package (see $work/fetch.log)"
    mv "$unpacked" "$tree"
    touch "$tree/.complete"
    rm -rf "$work"
  fi
  echo "$tree"
}

installed_version() {
  dpkg-query -W -f='${Version}' "$1" 2>/dev/null || die "Debian package '$1' is not installed; run scripts/install-deps.sh"
}

# --- Builds ------------------------------------------------------------------

# cmake_build NAME SOURCE PREFIX LOG-FOLDER ARGS...: configure, build, install.
cmake_build() {
  local name=$1 source=$2 prefix=$3 logs=$4
  shift 4
  local build=$logs/$name
  rm -rf "$build"
  mkdir -p "$build"
  local log=$logs/$name.log
  if ! {
    cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "$@" &&
      nice -n 10 cmake --build "$build" -j "$JOBS" &&
      cmake --install "$build"
  } >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    die "building $name for $triplet failed (full log: $log)"
  fi
  rm -rf "$build"
}

# Options shared by both libcurl builds: a static library, HTTP and HTTPS
# only, c-ares as the resolver (so a list of DNS servers can be set), zlib.
curl_common_args=(
  -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF
  -DHTTP_ONLY=ON -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON
  -DENABLE_ARES=ON -DENABLE_THREADED_RESOLVER=OFF -DCURL_ZLIB=ON
  -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF -DUSE_LIBIDN2=OFF
  -DUSE_NGHTTP2=OFF -DUSE_NGTCP2=OFF -DUSE_QUICHE=OFF -DUSE_MSH3=OFF
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_LTO=OFF -DENABLE_UNIX_SOCKETS=OFF
)

# libsodium is built with its own autotools scripts. Debian's source is the
# upstream git tree, without a generated configure: autoreconf makes it in a
# copy, so the cached source stays as fetched.
sodium_build() {
  local source=$1 prefix=$2 logs=$3
  local build=$logs/libsodium log=$logs/libsodium.log
  rm -rf "$build"
  cp -a "$source" "$build"
  # No stack protector: it would need mingw's libssp at every link.
  if ! (
    cd "$build" &&
      autoreconf -fi &&
      ./configure --host="$triplet" --prefix="$prefix" --disable-shared --enable-static \
        --disable-ssp --disable-dependency-tracking \
        CC="$triplet-gcc-posix" CFLAGS="-O2 -D_WIN32_WINNT=0x0601 -DWINVER=0x0601" &&
      nice -n 10 make -j "$JOBS" &&
      make install
  ) >"$log" 2>&1; then
    tail -n 20 "$log" >&2
    die "building libsodium for $triplet failed (full log: $log)"
  fi
  rm -rf "$build"
}

build_windows() {
  local prefix=$1 logs=$2 curl_src=$3 cares_src=$4 png_src=$5 sodium_src=$6
  local sysroot=/usr/$triplet
  [ -f "$sysroot/lib/libz.a" ] || die "$sysroot/lib/libz.a is missing; install libz-mingw-w64-dev"
  # Windows 7 is the oldest target, as for the updater itself.
  local cross=(
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR="${triplet%%-*}"
    -DCMAKE_C_COMPILER="$triplet-gcc-posix" -DCMAKE_CXX_COMPILER="$triplet-g++-posix"
    -DCMAKE_RC_COMPILER="$triplet-windres"
    -DCMAKE_FIND_ROOT_PATH="$prefix;$sysroot"
    -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY
    "-DCMAKE_C_FLAGS=-D_WIN32_WINNT=0x0601 -DWINVER=0x0601"
    # The static zlib, never the import library of zlib1.dll beside it.
    -DZLIB_LIBRARY="$sysroot/lib/libz.a" -DZLIB_INCLUDE_DIR="$sysroot/include"
  )
  # The host's pkg-config files must not leak into the cross builds.
  export PKG_CONFIG_LIBDIR=/nonexistent

  # Debian's 1.18.1 uses the old BIND name, which mingw-w64's headers lack.
  sed -i 's/\bINADDRSZ\b/NS_INADDRSZ/g' "$cares_src/src/lib/inet_net_pton.c"
  cmake_build c-ares "$cares_src" "$prefix" "$logs" "${cross[@]}" \
    -DCARES_STATIC=ON -DCARES_SHARED=OFF -DCARES_BUILD_TOOLS=OFF -DCARES_BUILD_TESTS=OFF

  cmake_build libpng "$png_src" "$prefix" "$logs" "${cross[@]}" \
    -DPNG_STATIC=ON -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DSKIP_INSTALL_PROGRAMS=ON -DSKIP_INSTALL_EXECUTABLES=ON

  cmake_build curl "$curl_src" "$prefix" "$logs" "${cross[@]}" "${curl_common_args[@]}" \
    "-DCMAKE_C_FLAGS=-D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -DCARES_STATICLIB" \
    -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_WINDOWS_SSPI=ON \
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
    -DCARES_INCLUDE_DIR="$prefix/include" -DCARES_LIBRARY="$prefix/lib/libcares.a"

  sodium_build "$sodium_src" "$prefix" "$logs"
}

build_linux() {
  local prefix=$1 logs=$2 curl_src=$3
  local multiarch
  multiarch=$(gcc -print-multiarch)
  [ -f "/usr/lib/$multiarch/libcares.so" ] || die "Debian's c-ares is missing; install libc-ares-dev"
  # Debian's trust store, in both of the forms Debian's own libcurl uses.
  cmake_build curl "$curl_src" "$prefix" "$logs" "${curl_common_args[@]}" \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DCURL_USE_OPENSSL=ON -DCURL_USE_SCHANNEL=OFF \
    -DCURL_CA_BUNDLE=/etc/ssl/certs/ca-certificates.crt -DCURL_CA_PATH=/etc/ssl/certs \
    -DCURL_CA_FALLBACK=OFF \
    -DCARES_INCLUDE_DIR=/usr/include -DCARES_LIBRARY="/usr/lib/$multiarch/libcares.so"
}

# --- Main --------------------------------------------------------------------

refresh_source_lists
script_hash=$(sha256sum "$script_path" | cut -d' ' -f1)

for triplet in "$@"; do
  started=$SECONDS
  prefix=$cache/$triplet
  logs=$cache/build/$triplet
  if [ "$triplet" = linux ]; then
    compiler=gcc
    packages=(curl)
    system_packages=(libssl-dev libc-ares-dev zlib1g-dev)
  else
    compiler=$triplet-gcc-posix
    packages=(curl c-ares libpng1.6 libsodium)
    system_packages=(libz-mingw-w64-dev)
  fi
  command -v "$compiler" >/dev/null || die "compiler '$compiler' is missing; run scripts/install-deps.sh"

  declare -A version=()
  stamp="script $script_hash"$'\n'"compiler $("$compiler" --version | head -n 1)"
  for package in "${packages[@]}"; do
    version[$package]=$(source_version "$package")
    stamp+=$'\n'"source $package ${version[$package]}"
  done
  for package in "${system_packages[@]}"; do
    stamp+=$'\n'"installed $package $(installed_version "$package")"
  done

  if [ -f "$prefix/zefo-deps.stamp" ] && [ "$(cat "$prefix/zefo-deps.stamp")" = "$stamp" ]; then
    echo "build-win-deps: $triplet is up to date in $prefix"
    continue
  fi

  summary=
  for package in "${packages[@]}"; do summary+=" $package ${version[$package]}"; done
  echo "build-win-deps: building for $triplet:$summary"
  trees=()
  for package in "${packages[@]}"; do
    trees+=("$(source_tree "$package" "${version[$package]}")")
  done
  stage=$cache/.stage-$triplet
  rm -rf "$stage" "$logs"
  mkdir -p "$stage" "$logs"
  if [ "$triplet" = linux ]; then
    build_linux "$stage" "$logs" "${trees[@]}"
  else
    ( build_windows "$stage" "$logs" "${trees[@]}" )
  fi
  rm -rf "$stage/share"  # manual pages
  # The installed CMake, pkg-config and *-config files name the folder they
  # were installed to; they must name the final one.
  grep -rlIF "$stage" "$stage" | xargs -r sed -i "s|$stage|$prefix|g"
  ! grep -rqIF "$stage" "$stage" || die "$stage is still named in the installed files of $triplet"
  # The stamp goes in last: a folder without one is never taken as complete.
  printf '%s\n' "$stamp" >"$stage/zefo-deps.stamp"
  rm -rf "$prefix.old"
  [ ! -e "$prefix" ] || mv "$prefix" "$prefix.old"
  mv "$stage" "$prefix"
  rm -rf "$prefix.old" "$logs"
  echo "build-win-deps: $triplet installed in $prefix ($((SECONDS - started)) s)"
done
