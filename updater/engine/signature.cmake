# Signed releases: the Ed25519 checks of the patch server's manifests, shared
# with zefo-publish (which signs with the same formats).
add_library(zefo_release_signature STATIC ${CMAKE_CURRENT_LIST_DIR}/release_signature.cpp)
target_include_directories(zefo_release_signature PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zefo_release_signature PUBLIC zefo_sys Sodium::Sodium PRIVATE zefo_warnings)
target_link_libraries(zefo_engine PUBLIC zefo_release_signature)

if(ZEFO_BUILD_TESTS)
  zefo_add_test(zefo_release_signature_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/release_signature_test.cpp
    LIBS zefo_release_signature zefo_test_support)
endif()
