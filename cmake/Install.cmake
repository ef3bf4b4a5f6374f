# What `cmake --install` puts where, and the Debian package CPack makes of it (scripts/package).
include(GNUInstallDirs)

# Installing and packaging need the three programs only, not every test and benchmark: whoever
# installs builds those first (scripts/package does).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# Who and where the package says it comes from. The defaults are placeholders under the reserved
# .example domain until the project has a home of its own; a packager sets the real ones here.
set(LUMADESK_APP_ID "org.example.LumaDesk" CACHE STRING
    "Reverse-DNS id of the desktop entry and the AppStream metadata")
set(LUMADESK_HOMEPAGE "https://lumadesk.example" CACHE STRING
    "Home page; the AppStream screenshots are its docs/images/")
set(LUMADESK_MAINTAINER "LumaDesk maintainers <maintainers@lumadesk.example>" CACHE STRING
    "The Debian package's maintainer")
# The window tells the desktop which entry it belongs to (Wayland's app id, the dock's icon).
target_compile_definitions(lumadesk PRIVATE LUMADESK_APP_ID="${LUMADESK_APP_ID}")

# Debian wants man pages and the changelog compressed with gzip -9n (no name, no time stamp),
# and a copyright file with the licence; the AppStream metadata names the release. All are made
# in the build tree when the console is built.
set(LUMADESK_PACKAGE_DOCS ${CMAKE_BINARY_DIR}/package-docs)
set(compressed "")
foreach(source docs/man/lumadesk.1 docs/man/lumadesk-cli.1 docs/man/lumadesk-sim.1 docs/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${LUMADESK_PACKAGE_DOCS}/${name}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh
                             ${PROJECT_SOURCE_DIR}/${source} ${output}
                     DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(lumadesk_package_docs DEPENDS ${compressed})
add_dependencies(lumadesk lumadesk_package_docs)

# The copyright file in the machine-readable format, its licence text taken from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(STRIP "${licence}" licence)
string(REPLACE "\n" "\n " licence " ${licence}")
string(REPLACE "\n \n" "\n .\n" licence "${licence}")
file(CONFIGURE OUTPUT ${LUMADESK_PACKAGE_DOCS}/copyright CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: LumaDesk
Source: ${LUMADESK_HOMEPAGE}

Files: *
Copyright: 2026 LumaDesk developers
License: Expat
${licence}
")
configure_file(${PROJECT_SOURCE_DIR}/res/lumadesk.metainfo.xml.in
               ${LUMADESK_PACKAGE_DOCS}/${LUMADESK_APP_ID}.metainfo.xml @ONLY)

install(TARGETS lumadesk lumadesk-cli lumadesk-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/lumadesk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${LUMADESK_APP_ID}.desktop)
install(FILES res/lumadesk.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${LUMADESK_PACKAGE_DOCS}/${LUMADESK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${LUMADESK_PACKAGE_DOCS}/lumadesk.1.gz ${LUMADESK_PACKAGE_DOCS}/lumadesk-cli.1.gz
              ${LUMADESK_PACKAGE_DOCS}/lumadesk-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${LUMADESK_PACKAGE_DOCS}/changelog.gz ${LUMADESK_PACKAGE_DOCS}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumadesk)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumadesk)
set(CPACK_PACKAGE_VENDOR "LumaDesk")
set(CPACK_PACKAGE_CONTACT "${LUMADESK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LUMADESK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${LUMADESK_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Studio flash console for heads behind a serial radio dongle")
# Lines of the long description stay under 80 columns.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Sets and watches studio flash heads through a radio dongle on a serial port.\n\
The package holds the console (lumadesk), its command-line tool\n\
(lumadesk-cli) and a simulated dongle with its heads (lumadesk-sim).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The dependencies are the packages of the Qt libraries the programs link (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
