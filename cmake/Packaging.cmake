# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: cpack -G DEB in a build of the "package" preset. Runtime dependencies
# come from dpkg-shlibdeps; the files are those of `cmake --install`.

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vantry)

# Debian wants the man page and the changelog compressed, without timestamps.
set(man_page ${CMAKE_BINARY_DIR}/packaging/vantry.1)
configure_file(${PROJECT_SOURCE_DIR}/docs/man/vantry.1 ${man_page} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
  ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
foreach(file vantry.1 changelog)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/${file}.gz
    COMMAND gzip -9nfk ${file}
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/${file}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging VERBATIM)
endforeach()
add_custom_target(vantry_package_docs ALL
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/vantry.1.gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/vantry.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
  DESTINATION ${doc_dir})

set(CPACK_PACKAGE_NAME vantry)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantry developers")
set(CPACK_PACKAGE_CONTACT "Vantry developers <developers@vantry.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray shelf for the files of one folder")
set(CPACK_PACKAGE_DESCRIPTION
  "Vantry keeps the files of one folder at hand: its tray icon drops down a small\n"
  "window listing the folder's entries. A global shortcut shows and hides it,\n"
  "Space previews an item, Return renames it, and items drag out into other\n"
  "programs as copies.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vantry.app")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# What dpkg-shlibdeps cannot see: Qt's plugins for more image formats in previews, the
# desktop portal's file chooser and Wayland, and Qt's own texts in the user's language
# (shortcut key names, network errors). X11 and SVG come with the libraries we link.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "qt6-image-formats-plugins, qt6-qpa-plugins, qt6-translations-l10n, qt6-wayland")
include(CPack)
