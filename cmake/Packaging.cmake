# Desktop integration files and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/tandrel.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/tandrel.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages, compressed as Debian keeps them.
foreach(page tandrel tandrel-cli tandrel-modemsim tandrel-pdu)
    set(gz ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
        COMMAND gzip -n -9 -c ${PROJECT_SOURCE_DIR}/packaging/man/${page}.1 > ${gz}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/${page}.1 VERBATIM)
    list(APPEND tandrel_man_pages ${gz})
endforeach()
add_custom_target(tandrel_man_pages ALL DEPENDS ${tandrel_man_pages})
install(FILES ${tandrel_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tandrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tandrel developers")
set(CPACK_PACKAGE_CONTACT "Tandrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Terminal for satellite handsets and modems on a serial port")
set(CPACK_PACKAGE_DESCRIPTION "A desktop terminal for satellite handsets and modems on a serial\n\
port: terminal screen, AT command reference and builder, dialer, SMS in\n\
PDU mode with a message log, session files, and a simulated handset for\n\
trying it all without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A package ships no debugging data; the build tree keeps it.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tandrel developers")
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# File transfer runs sz and rz; everything else works without them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS lrzsz)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
