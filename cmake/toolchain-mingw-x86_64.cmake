# Cross build of the same sources for 64-bit Windows: the twin that runs the
# Windows tests under 64-bit Wine on machines whose kernel cannot execute
# 32-bit programs (so 32-bit Wine cannot start there). The product itself is
# the 32-bit build (toolchain-mingw-i686.cmake).
set(ZEFO_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
set(ZEFO_WINE_ARCH win64 CACHE INTERNAL "Wine architecture that runs this build's programs")
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh;win64")
