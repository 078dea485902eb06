# Cross build for 32-bit Windows with mingw-w64: the product. Its tests are run
# from the x86-64 twin of this build under 64-bit Wine (see
# toolchain-mingw-x86_64.cmake).
set(ZEFO_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
