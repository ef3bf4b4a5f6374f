# What `cmake --install` puts where, and the Debian package CPack makes of it (scripts/package).
include(GNUInstallDirs)

# Installing and packaging need the three programs only, not every test and benchmark: whoever
# installs builds those first (scripts/package does).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS lumadesk lumadesk-cli lumadesk-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/lumadesk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES res/lumadesk.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES docs/man/lumadesk.1 docs/man/lumadesk-cli.1 docs/man/lumadesk-sim.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumadesk)
set(CPACK_PACKAGE_VENDOR "LumaDesk")
set(CPACK_PACKAGE_CONTACT "LumaDesk developers <lumadesk@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Studio flash console for heads behind a serial radio dongle")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Sets and watches studio flash heads through a radio dongle on a serial port.\n\
The package holds the console (lumadesk), its command-line tool (lumadesk-cli) and a\n\
simulated dongle with its heads (lumadesk-sim).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The dependencies are the packages of the Qt libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
