# Shared body of the mingw-w64 toolchain files: set ZEFO_MINGW_ARCH (i686 or
# x86_64) and include this. The -posix compilers are used because GoogleTest
# needs std::thread/std::mutex, which the -win32 ones lack.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${ZEFO_MINGW_ARCH})
set(CMAKE_C_COMPILER   ${ZEFO_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEFO_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  ${ZEFO_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZEFO_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The static libraries of scripts/build-win-deps.sh for this triplet
# (cmake/ZefoDeps.cmake adds its folder to CMAKE_FIND_ROOT_PATH).
set(ZEFO_DEPS_TRIPLET ${ZEFO_MINGW_ARCH}-w64-mingw32)
