# Cross build for 32-bit Windows with mingw-w64: the product. Its tests run
# under 32-bit Wine where the kernel runs 32-bit programs
# (scripts/probe-32bit.sh); elsewhere the x86-64 twin runs them
# (toolchain-mingw-x86_64.cmake).
set(ZEFO_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
set(ZEFO_WINE_ARCH win32 CACHE INTERNAL "Wine architecture that runs this build's programs")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;win32")
