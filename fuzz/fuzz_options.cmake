# The fuzz build (ZEFO_FUZZ): every library is compiled for the fuzz targets.
# With clang's libFuzzer the code is instrumented for coverage and the targets
# link the fuzzing engine; with any other compiler the targets get a replay
# main instead, which runs each corpus file once (a regression run, no
# fuzzing). Either way under AddressSanitizer and UndefinedBehaviorSanitizer.
# Included by the top CMakeLists.txt before any library is defined.
include(CheckCXXSourceCompiles)

set(CMAKE_REQUIRED_FLAGS "-fsanitize=fuzzer")
set(CMAKE_REQUIRED_LINK_OPTIONS "-fsanitize=fuzzer")
check_cxx_source_compiles([[
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }
]] ZEFO_HAVE_LIBFUZZER)
unset(CMAKE_REQUIRED_FLAGS)
unset(CMAKE_REQUIRED_LINK_OPTIONS)

set(_zefo_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
if(ZEFO_HAVE_LIBFUZZER)
  set(ZEFO_FUZZ_ENGINE libfuzzer)
  add_compile_options(-fsanitize=fuzzer-no-link ${_zefo_sanitizers})
else()
  set(ZEFO_FUZZ_ENGINE replay)
  add_compile_options(${_zefo_sanitizers})
endif()
add_link_options(-fsanitize=address,undefined)
message(STATUS "Fuzz targets: ${ZEFO_FUZZ_ENGINE}")
# The replays of the corpora are this build's tests.
enable_testing()
