# The files of the patch server, read by the engine and written by
# zefo-publish. A library of their own, so the publishing tool does not pull in
# the engine.
add_library(zefo_formats STATIC ${CMAKE_CURRENT_LIST_DIR}/manifest_formats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/remove_files_format.cpp)
target_include_directories(zefo_formats PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zefo_formats PUBLIC zefo_sys PRIVATE zefo_warnings)
target_link_libraries(zefo_engine PUBLIC zefo_formats)

if(ZEFO_BUILD_TESTS)
  zefo_add_test(zefo_formats_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/manifest_formats_test.cpp
    LIBS zefo_formats)
endif()
