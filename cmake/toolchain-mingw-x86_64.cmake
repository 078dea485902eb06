# Cross build of the same sources for 64-bit Windows, used to run the Windows
# tests under Wine: this machine's kernel cannot execute 32-bit code, so the
# 32-bit Wine loader cannot start, while 64-bit Wine runs. The product itself
# is the 32-bit build (toolchain-mingw-i686.cmake).
set(ZEFO_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
