# Third-party libraries. scripts/build-win-deps.sh builds them from Debian's
# sources, static, into one folder per target triplet: libcurl for both targets
# (with c-ares as its resolver, so a list of DNS servers can be set), and
# c-ares and libpng for Windows. Provides CURL::libcurl on both targets and
# PNG::PNG (libpng with zlib); Linux takes libpng from the system.
if(NOT ZEFO_DEPS_TRIPLET)
  set(ZEFO_DEPS_TRIPLET linux)  # the mingw toolchain files set their own
endif()
if(NOT "$ENV{ZEFO_DEPS_CACHE}" STREQUAL "")
  set(_zefo_deps_cache "$ENV{ZEFO_DEPS_CACHE}")
else()
  set(_zefo_deps_cache "$ENV{HOME}/.cache/zefo-deps")
endif()
set(ZEFO_DEPS_DIR "${_zefo_deps_cache}/${ZEFO_DEPS_TRIPLET}" CACHE PATH
    "Static libraries for this target, as built by scripts/build-win-deps.sh")
# The script writes the stamp last, so a folder without one is incomplete.
if(NOT EXISTS "${ZEFO_DEPS_DIR}/zefo-deps.stamp")
  message(FATAL_ERROR "The libraries for ${ZEFO_DEPS_TRIPLET} are missing from ${ZEFO_DEPS_DIR}. "
                      "Build them with:\n  bash scripts/build-win-deps.sh ${ZEFO_DEPS_TRIPLET}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ZEFO_DEPS_DIR}/zefo-deps.stamp")

if(WIN32)
  list(APPEND CMAKE_FIND_ROOT_PATH "${ZEFO_DEPS_DIR}")
  # Debian's mingw zlib: its static archive, never the import library of zlib1.dll beside it.
  find_library(ZEFO_ZLIB_ARCHIVE NAMES libz.a REQUIRED)
  find_path(ZEFO_ZLIB_INCLUDE_DIR zlib.h REQUIRED)
  add_library(ZLIB::ZLIB STATIC IMPORTED)
  set_target_properties(ZLIB::ZLIB PROPERTIES
    IMPORTED_LOCATION "${ZEFO_ZLIB_ARCHIVE}"
    INTERFACE_INCLUDE_DIRECTORIES "${ZEFO_ZLIB_INCLUDE_DIR}")
  add_library(PNG::PNG STATIC IMPORTED)
  set_target_properties(PNG::PNG PROPERTIES
    IMPORTED_LOCATION "${ZEFO_DEPS_DIR}/lib/libpng16.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ZEFO_DEPS_DIR}/include"
    INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
else()
  list(PREPEND CMAKE_PREFIX_PATH "${ZEFO_DEPS_DIR}")
  find_package(PNG REQUIRED)
endif()

# Later find_package(CURL) calls find this same package through CURL_DIR.
find_package(CURL CONFIG REQUIRED
  PATHS "${ZEFO_DEPS_DIR}/lib/cmake/CURL" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
# libsodium: the Ed25519 signatures of published releases. Static from the
# cache on Windows (SODIUM_STATIC: no dllimport), Debian's libsodium-dev on Linux.
if(WIN32)
  add_library(Sodium::Sodium STATIC IMPORTED)
  set_target_properties(Sodium::Sodium PROPERTIES
    IMPORTED_LOCATION "${ZEFO_DEPS_DIR}/lib/libsodium.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ZEFO_DEPS_DIR}/include"
    INTERFACE_COMPILE_DEFINITIONS SODIUM_STATIC)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
  add_library(Sodium::Sodium ALIAS PkgConfig::SODIUM)
endif()

if(WIN32)
  # What the static libcurl and c-ares need from Windows; curl's exported
  # target misses some of them (iphlpapi for c-ares).
  set_property(TARGET CURL::libcurl APPEND PROPERTY INTERFACE_LINK_LIBRARIES
    ws2_32 iphlpapi crypt32 bcrypt advapi32 winmm)
endif()
