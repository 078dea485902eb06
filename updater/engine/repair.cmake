# Repair and start-up upkeep: the full download, the cleanup manifest and the
# tidying of the program folder at every start.
target_sources(zefo_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/full_download.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cleanup_manifest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/contained_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/housekeeping.cpp)

if(ZEFO_BUILD_TESTS)
  zefo_add_test(zefo_repair_unit_test
    SOURCES
      ${CMAKE_CURRENT_LIST_DIR}/cleanup_manifest_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/contained_path_test.cpp
      ${CMAKE_CURRENT_LIST_DIR}/housekeeping_test.cpp
    LIBS zefo_engine zefo_test_support)
endif()
