# Build-time configuration: fixed when the app is built, never read at run time.
set(KELVO_SERVICE_BASE_URL "http://127.0.0.1:8756" CACHE STRING "Base URL of the marketplace service")
set(KELVO_WEB_LOGIN_BASE "http://127.0.0.1:8756" CACHE STRING "Base address of the marketplace web login")
set(KELVO_MAIN_STORE_URL "http://127.0.0.1:8756/store/lumo" CACHE STRING "Store page of the main app")
set(KELVO_PARTNER_STORE_URL "http://127.0.0.1:8756/store/corvix" CACHE STRING "Store page of the partner app")
set(KELVO_CRASH_APP_ID "900000001" CACHE STRING "Crash-reporting app identifier (nine digits)")
set(KELVO_PUSH_KEY "kelvo-dev-push-key" CACHE STRING "Push-service application key")
set(KELVO_BUNDLE_IDENTIFIER "com.ostrel.kelvo" CACHE STRING "Bundle identifier of the app")
set(KELVO_URL_SCHEME "kelvoostrel" CACHE STRING "URL scheme under which other apps open this one")
configure_file(${CMAKE_SOURCE_DIR}/cmake/KelvoConfig.h.in ${CMAKE_BINARY_DIR}/generated/KelvoConfig.h @ONLY)

# The login certificates (*.der) and key bundles (*.p12) compiled into the
# service library. The default folder holds development keys; a deployment
# points this at its own folder, which may leave the private bundles out.
set(KELVO_KEYS_DIR "${CMAKE_SOURCE_DIR}/resources/keys" CACHE PATH
    "Folder of the login certificates and key bundles")
set(KELVO_KEYS_QRC ${CMAKE_BINARY_DIR}/generated/KelvoKeys.qrc)
set(kelvo_key_entries "")
# A file added to or removed from the folder configures again.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KELVO_KEYS_DIR})
foreach(key IN ITEMS m_public_key.der app_public_key.der Pellin_public_key.der
                     m_private_key.p12 app_private_key.p12 Pellin_private_key.p12)
    if(EXISTS ${KELVO_KEYS_DIR}/${key})
        string(APPEND kelvo_key_entries "    <file alias=\"${key}\">${KELVO_KEYS_DIR}/${key}</file>\n")
    endif()
endforeach()
file(CONFIGURE OUTPUT ${KELVO_KEYS_QRC} CONTENT
     "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/keys\">\n${kelvo_key_entries}  </qresource>\n</RCC>\n")
