# (road) regular update: patch manager, workers, version check, file update,
# digest manifest, installation, install check and self-update.
target_sources(zefo_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/endpoints.cpp
  ${CMAKE_CURRENT_LIST_DIR}/patch_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/update_worker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/step_failure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_fetch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version_hashes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_update.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/install_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/manifest_bounds.cpp)
zefo_sources(zefo_engine
  POSIX ${CMAKE_CURRENT_LIST_DIR}/posix/durable_files_posix.cpp
  WIN32 ${CMAKE_CURRENT_LIST_DIR}/win32/durable_files_win32.cpp)

if(ZEFO_BUILD_TESTS)
  # Without servers: both targets.
  zefo_add_test(zefo_road_unit_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/endpoints_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/install_rules_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/install_files_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/install_check_test.cpp
    LIBS zefo_engine zefo_test_support)
  target_include_directories(zefo_road_unit_test PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
endif()

if(ZEFO_BUILD_TESTS AND NOT WIN32)
  # Against the loopback servers (Linux).
  zefo_add_test(zefo_road_server_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/version_check_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/version_hashes_test.cpp
    LIBS zefo_engine zefo_test_support zefo_test_fixtures)
endif()
