# Installing as a desktop application, and the Debian package built from the same rules.

include(GNUInstallDirs)

set(TARVIK_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
set(TARVIK_PACKAGE_CONTACT "Tarvik developers <tarvik@example.org>" CACHE STRING
    "Maintainer of the Debian package, as Name <address>")

install(TARGETS tarvik-asm RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The examples sit beside the executables in the build folder as they do under the install
# prefix, so a program started from either finds them (src/examples). The copy is refreshed
# whenever one changes.
file(GLOB example_programs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/examples/*.qel)
file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/examples)
foreach(program ${example_programs})
  get_filename_component(name ${program} NAME)
  configure_file(${program} ${CMAKE_BINARY_DIR}/examples/${name} COPYONLY)
endforeach()
install(FILES ${example_programs} DESTINATION ${TARVIK_EXAMPLES_INSTALL_DIR})

# The user guide and its pictures, which Help > User Guide shows: kept beside the executables
# in the build folder the same way, installed where src/app looks for them.
file(GLOB guide_images CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/images/*.png)
file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/doc)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/docs/guide.md ${CMAKE_BINARY_DIR}/doc/guide.md COPYONLY)
foreach(image ${guide_images})
  get_filename_component(name ${image} NAME)
  configure_file(${image} ${CMAKE_BINARY_DIR}/doc/images/${name} COPYONLY)
endforeach()
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/docs/guide.md DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvik/doc)
install(FILES ${guide_images} DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvik/doc/images)

# Man pages and the changelog go out compressed at gzip's best, without name or time
# stamp, as Debian has them.
function(tarvik_gzip source output)
  get_filename_component(name ${output} NAME_WLE)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${CMAKE_BINARY_DIR}/packaging/${name}
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/${name}
    DEPENDS ${source} VERBATIM)
endfunction()

set(man_pages tarvik-asm.1)
if(TARGET tarvik)
  list(APPEND man_pages tarvik.1)
endif()
set(compressed_man_pages)
foreach(page ${man_pages})
  tarvik_gzip(${TARVIK_PACKAGING_DIR}/${page} ${CMAKE_BINARY_DIR}/packaging/${page}.gz)
  list(APPEND compressed_man_pages ${CMAKE_BINARY_DIR}/packaging/${page}.gz)
endforeach()
configure_file(${TARVIK_PACKAGING_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog.in @ONLY)
tarvik_gzip(${CMAKE_BINARY_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_target(tarvik_documents ALL DEPENDS ${compressed_man_pages} ${CMAKE_BINARY_DIR}/packaging/changelog.gz)

install(FILES ${compressed_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${TARVIK_PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvik)

set(package_targets tarvik-asm tarvik_documents)
if(TARGET tarvik)
  list(APPEND package_targets tarvik)
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

# cpack builds what it packages, on every core, and nothing else: by default its install
# step would first build all targets, every test and benchmark, with one job. The same
# holds for `make install`, which now expects a build before it (cmake --install always did).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
cmake_host_system_information(RESULT build_jobs QUERY NUMBER_OF_LOGICAL_CORES)
list(JOIN package_targets " " package_target_list)
set(CPACK_INSTALL_COMMANDS
    "${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --parallel ${build_jobs} --target ${package_target_list}")

set(CPACK_PACKAGE_NAME tarvik)
set(CPACK_PACKAGE_VENDOR "Tarvik")
set(CPACK_PACKAGE_CONTACT "${TARVIK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "visual assembler for the PIC16C84 microcontroller")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# CPack puts the summary first and indents each line of this by one space itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Programs are built line by line from an instruction palette, shown in a
symbolic notation or in MPASM syntax, saved as .qel program files and
converted to Intel HEX for a chip programmer. MPASM source can be exported
and imported, and a simulator runs programs with views of the registers,
the data EEPROM and the pins. tarvik-asm does the conversion from scripts.")
# Library dependencies (Qt, the C++ runtime) come from the binaries themselves. The
# desktop and MIME databases are refreshed by the triggers of their own packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)

add_subdirectory(tests/install)
