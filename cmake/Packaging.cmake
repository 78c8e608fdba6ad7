# Installing as a desktop application, and the Debian package built from the same rules.

include(GNUInstallDirs)

set(TARVIK_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)

install(TARGETS tarvik-asm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TARVIK_PACKAGING_DIR}/tarvik-asm.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

if(TARGET tarvik)
  install(TARGETS tarvik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${TARVIK_PACKAGING_DIR}/tarvik.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TARVIK_PACKAGING_DIR}/tarvik-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME tarvik.xml)
  install(FILES ${TARVIK_PACKAGING_DIR}/tarvik.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The program files show the same chip in file managers.
  install(FILES ${TARVIK_PACKAGING_DIR}/tarvik.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
          RENAME application-x-tarvik-program.svg)
endif()

set(CPACK_PACKAGE_NAME tarvik)
set(CPACK_PACKAGE_VENDOR "Tarvik")
set(CPACK_PACKAGE_CONTACT "Tarvik developers <tarvik@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Visual assembler for the PIC16C84 microcontroller")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Visual assembler for the PIC16C84 microcontroller\n Programs are built line by line from an instruction palette, shown in a\n symbolic notation or in MPASM syntax, saved as .qel program files and\n converted to Intel HEX. tarvik-asm does the conversion from scripts.")
# Library dependencies (Qt, the C++ runtime) come from the binaries themselves. The
# desktop and MIME databases are refreshed by the triggers of their own packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)

add_subdirectory(tests/install)
