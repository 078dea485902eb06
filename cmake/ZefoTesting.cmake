# GoogleTest for both targets. Natively the system's packaged build is used;
# the Windows build compiles it from the sources Debian installs under
# /usr/src/googletest, since no prebuilt mingw copy exists.
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
  # GoogleTest 1.11 and later define the GTest:: aliases themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
  endif()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# zefo_add_test(<name> SOURCES ... LIBS ... [LABELS ...] [RESOURCE_LOCK ...] [WINE_DISPLAY])
# Natively each GoogleTest case becomes its own CTest test; under Wine the
# whole binary is one test, since listing the cases would start Wine twice.
# WINE_DISPLAY: under Wine the test opens windows on the session's virtual
# display (scripts/wine-session.sh), one such test at a time since they share
# its pointer and screen; it is labelled wine_display, and scripts/test.sh
# runs these apart from the tests without a display, whose processes would
# otherwise start Wine's desktop without one.
function(zefo_add_test name)
  cmake_parse_arguments(ARG "WINE_DISPLAY" "" "SOURCES;LIBS;LABELS;RESOURCE_LOCK" ${ARGN})
  if(WIN32 AND ARG_WINE_DISPLAY)
    list(APPEND ARG_LABELS wine_display)
    list(APPEND ARG_RESOURCE_LOCK zefo_wine_display)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main zefo_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  # Property values that are lists keep their semicolons escaped in `props`.
  set(props)
  if(ARG_LABELS)
    string(REPLACE ";" "\\;" labels "${ARG_LABELS}")
    list(APPEND props LABELS "${labels}")
  endif()
  if(ARG_RESOURCE_LOCK)
    string(REPLACE ";" "\\;" locks "${ARG_RESOURCE_LOCK}")
    list(APPEND props RESOURCE_LOCK "${locks}")
  endif()
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    if(ARG_WINE_DISPLAY)
      list(APPEND props ENVIRONMENT ZEFO_WINE_DISPLAY=1)
    endif()
    if(props)
      set_tests_properties(${name} PROPERTIES ${props})
    endif()
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES ${props} ENVIRONMENT "ZEFO_SOURCE_DIR=${PROJECT_SOURCE_DIR};ZEFO_BINARY_DIR=${PROJECT_BINARY_DIR}")
  endif()
endfunction()
