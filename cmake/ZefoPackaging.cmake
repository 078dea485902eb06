# Install rules and packages. Components:
#   updater    the program folder as the launcher's installer lays it out:
#              "ZEFOLauncher.exe" at its top (Windows: the folder's root;
#              Linux: libexec/zefolauncher). The launcher is not part of it.
#   migration  TavrinMigration, the one-shot migration program, beside it.
#   tools      the operators' zefo-publish and zefo-reg with their manual pages.
# Packages (cpack in the build folder; scripts/package.sh wraps it):
#   Linux    a Debian package "zefo-tools" of the tools component;
#   Windows  a zip of the updater component, unpacked into the program folder.
include(GNUInstallDirs)

if(WIN32)
  set(ZEFO_PROGRAM_FOLDER ".")
else()
  set(ZEFO_PROGRAM_FOLDER "${CMAKE_INSTALL_LIBEXECDIR}/zefolauncher")
endif()

install(TARGETS ZEFOLauncher RUNTIME DESTINATION "${ZEFO_PROGRAM_FOLDER}" COMPONENT updater)
install(TARGETS TavrinMigration RUNTIME DESTINATION "${ZEFO_PROGRAM_FOLDER}" COMPONENT migration)

install(TARGETS zefo-publish RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT tools)
if(TARGET zefo-reg)
  install(TARGETS zefo-reg RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT tools)
endif()

# Manual pages, compressed as Debian installs them.
if(NOT WIN32)
  find_program(ZEFO_GZIP gzip REQUIRED)
  set(zefo_man_pages)
  foreach(page tools/zefo-publish/zefo-publish.1 tools/zefo-reg/zefo-reg.1)
    get_filename_component(name "${page}" NAME)
    set(compressed "${CMAKE_BINARY_DIR}/man/${name}.gz")
    add_custom_command(OUTPUT "${compressed}"
      COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/man"
      COMMAND ${ZEFO_GZIP} -9 -n -c "${PROJECT_SOURCE_DIR}/${page}" > "${compressed}"
      DEPENDS "${PROJECT_SOURCE_DIR}/${page}"
      VERBATIM)
    list(APPEND zefo_man_pages "${compressed}")
  endforeach()
  add_custom_target(zefo_man_pages ALL DEPENDS ${zefo_man_pages})
  install(FILES ${zefo_man_pages} DESTINATION "${CMAKE_INSTALL_MANDIR}/man1" COMPONENT tools)
endif()

set(CPACK_PACKAGE_NAME "zefo")
set(CPACK_PACKAGE_VENDOR "Tavrin platform team")
set(CPACK_PACKAGE_CONTACT "Tavrin platform team <platform@zefo.invalid>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZEFOLauncher updater and its operators' tools")
set(CPACK_OUTPUT_FILE_PREFIX "packages")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR "ZIP")
  set(CPACK_COMPONENTS_ALL updater)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  # The zip's content is the program folder itself, not a folder inside it.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_ARCHIVE_UPDATER_FILE_NAME "ZEFOLauncher-${PROJECT_VERSION}-win32")
else()
  set(CPACK_GENERATOR "DEB")
  set(CPACK_COMPONENTS_ALL tools)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME "zefo-tools")
  set(CPACK_DEBIAN_TOOLS_FILE_NAME "DEB-DEFAULT")
  set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION "admin")
  set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Publishing tools for the ZEFOLauncher patch servers")
  set(CPACK_DEBIAN_TOOLS_DESCRIPTION [=[zefo-publish turns launcher builds into the tree a patch server serves,
verifies such a tree and shows it; zefo-reg reads and writes the per-user
registry store the updater and the migration tool use on Linux.]=])
endif()

include(CPack)
