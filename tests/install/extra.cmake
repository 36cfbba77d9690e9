# The installed app: its desktop entry and AppStream file pass the desktop's
# own validators, and an install into a temporary prefix starts.
find_program(KELVO_DESKTOP_VALIDATE desktop-file-validate)
find_program(KELVO_APPSTREAMCLI appstreamcli)
if(KELVO_DESKTOP_VALIDATE)
    add_test(NAME install/desktop_entry COMMAND ${KELVO_DESKTOP_VALIDATE} ${KELVO_DESKTOP_FILE})
endif()
if(KELVO_APPSTREAMCLI)
    add_test(NAME install/metainfo
             COMMAND ${KELVO_APPSTREAMCLI} validate --no-net --pedantic ${KELVO_METAINFO_FILE})
endif()
add_test(NAME install/installed_app
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/installed_app.sh ${CMAKE_BINARY_DIR}
                 ${KELVO_BUNDLE_IDENTIFIER} ${KELVO_URL_SCHEME})
set_tests_properties(install/installed_app PROPERTIES LABELS install TIMEOUT 120)
foreach(t desktop_entry metainfo)
    if(TEST install/${t})
        set_tests_properties(install/${t} PROPERTIES LABELS install)
    endif()
endforeach()

# The manual page documents what the program does, and the Debian package
# passes lintian.
add_test(NAME install/manpage
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/manpage.sh $<TARGET_FILE:kelvo-ostrel>
                 ${KELVO_MANPAGE} ${CMAKE_SOURCE_DIR})
add_test(NAME install/package
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/package.sh ${CMAKE_BINARY_DIR} ${KELVO_SANITIZE})
set_tests_properties(install/manpage install/package PROPERTIES LABELS install)
set_tests_properties(install/package PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
