# What `cmake --install` puts where, and the Debian package CPack builds from
# it. The desktop entry and the AppStream file are named after the bundle
# identifier, so a deployment that changes it (or the URL scheme) gets
# matching files.
include(GNUInstallDirs)

set(KELVO_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/resources/desktop)
set(KELVO_DESKTOP_FILE ${CMAKE_BINARY_DIR}/generated/${KELVO_BUNDLE_IDENTIFIER}.desktop)
set(KELVO_METAINFO_FILE ${CMAKE_BINARY_DIR}/generated/${KELVO_BUNDLE_IDENTIFIER}.metainfo.xml)
configure_file(${KELVO_DESKTOP_DIR}/app.desktop.in ${KELVO_DESKTOP_FILE} @ONLY)
configure_file(${KELVO_DESKTOP_DIR}/app.metainfo.xml.in ${KELVO_METAINFO_FILE} @ONLY)

install(TARGETS kelvo-ostrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KELVO_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KELVO_METAINFO_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KELVO_DESKTOP_DIR}/icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KELVO_BUNDLE_IDENTIFIER}.svg)
# The PNG sizes are rendered from icon.svg (rsvg-convert -w N -h N icon.svg -o icon-N.png).
foreach(size 48 128 256)
    install(FILES ${KELVO_DESKTOP_DIR}/icon-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KELVO_BUNDLE_IDENTIFIER}.png)
endforeach()

# What Debian asks of a package beside the program: the licence in its
# machine-readable form, the changelog and the manual page, the last two
# gzipped without a name or time stamp so that the package builds the same
# twice.
set(KELVO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(KELVO_MANPAGE ${CMAKE_BINARY_DIR}/generated/kelvo-ostrel.1)
set(KELVO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kelvo-ostrel)
configure_file(${KELVO_PACKAGING_DIR}/kelvo-ostrel.1.in ${KELVO_MANPAGE} @ONLY)
file(STRINGS ${KELVO_PACKAGING_DIR}/changelog kelvo_changelog_top LIMIT_COUNT 1)
if(NOT kelvo_changelog_top MATCHES "^kelvo-ostrel \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog: the top entry is not version ${PROJECT_VERSION}")
endif()
find_program(KELVO_GZIP gzip REQUIRED)
foreach(doc ${KELVO_MANPAGE} ${KELVO_PACKAGING_DIR}/changelog)
    get_filename_component(name ${doc} NAME)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/generated/${name}.gz
                       COMMAND sh -c "\"$0\" -9n < \"$1\" > \"$2\"" ${KELVO_GZIP} ${doc}
                               ${CMAKE_BINARY_DIR}/generated/${name}.gz
                       DEPENDS ${doc} VERBATIM)
endforeach()
add_custom_target(kelvo_docs ALL DEPENDS ${KELVO_MANPAGE}.gz
                                         ${CMAKE_BINARY_DIR}/generated/changelog.gz)
install(FILES ${KELVO_MANPAGE}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/generated/changelog.gz ${KELVO_PACKAGING_DIR}/copyright
        DESTINATION ${KELVO_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvo-ostrel)
set(CPACK_PACKAGE_VENDOR "Kelvo Ostrel")
set(CPACK_PACKAGE_CONTACT "Kelvo Ostrel developers <dev@ostrel.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "One-time codes for marketplace merchant accounts")
# Debian shows the description as it stands: lines within 80 columns.
set(CPACK_PACKAGE_DESCRIPTION
    "Binds once to a merchant account of the marketplace with the phone number
and a message code, then shows the six-digit one-time code the marketplace
asks for at sign-in. An app lock (gesture pattern or fingerprint) can guard it.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://ostrel.example.com/kelvo")
set(CPACK_PACKAGE_INSTALL_DIRECTORY kelvo-ostrel)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the binary links come from dpkg-shlibdeps; Qt's platform
# plugins are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-microhei, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fprintd")
include(CPack)
