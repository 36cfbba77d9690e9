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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvo-ostrel)
set(CPACK_PACKAGE_VENDOR "Kelvo Ostrel")
set(CPACK_PACKAGE_CONTACT "Kelvo Ostrel developers <dev@ostrel.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "One-time codes for marketplace merchant accounts")
set(CPACK_PACKAGE_DESCRIPTION
    "Binds once to a merchant account with the phone number and a message code, then shows the six-digit one-time code the marketplace asks for at sign-in.")
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
