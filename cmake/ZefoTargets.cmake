# Warnings, sanitizers and the platform split shared by every target.

add_library(zefo_warnings INTERFACE)
target_compile_options(zefo_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)

if(WIN32)
  # Unicode Win32 API, Windows 7 as the oldest target, no min/max macros.
  target_compile_definitions(zefo_warnings INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Static runtime: Wine (and users) must not need the compiler's DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

option(ZEFO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ZEFO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# zefo_sources(<target> [PORTABLE files...] [WIN32 files...] [POSIX files...])
# Adds the portable sources and the adapter sources of the platform being built.
function(zefo_sources target)
  cmake_parse_arguments(ARG "" "" "PORTABLE;WIN32;POSIX" ${ARGN})
  target_sources(${target} PRIVATE ${ARG_PORTABLE})
  if(WIN32)
    target_sources(${target} PRIVATE ${ARG_WIN32})
  else()
    target_sources(${target} PRIVATE ${ARG_POSIX})
  endif()
endfunction()
