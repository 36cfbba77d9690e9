# The keychain crash test kills a child process that keeps saving items.
add_executable(keychain_crash_child ${CMAKE_CURRENT_LIST_DIR}/keychain_crash_child.cpp)
target_link_libraries(keychain_crash_child PRIVATE kelvo_platform)
if(TARGET tst_keychain)
    target_compile_definitions(tst_keychain PRIVATE
        KELVO_CRASH_CHILD="$<TARGET_FILE:keychain_crash_child>")
    target_link_libraries(tst_keychain PRIVATE SQLite::SQLite3)
    add_dependencies(tst_keychain keychain_crash_child)
    # The cases that seal value data run again inside a throw-away keyring.
    # The open failures stay out: GLib aborts without descriptors, and a
    # forked child has no D-Bus worker thread.
    find_program(KELVO_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
    set(keyring_session ${CMAKE_CURRENT_LIST_DIR}/keyring_session.py)
    target_compile_definitions(tst_keychain PRIVATE KELVO_SYSTEM_PYTHON="${KELVO_SYSTEM_PYTHON}"
                               KELVO_KEYRING_SESSION="${keyring_session}")
    add_test(NAME platform/tst_keychain_keyring
             COMMAND ${KELVO_SYSTEM_PYTHON} ${keyring_session} run $<TARGET_FILE:tst_keychain>
                     filesArePrivate everyKillLeavesOldOrNewValues sealedValues
                     damagedFilesMovedAside)
    set_tests_properties(platform/tst_keychain_keyring PROPERTIES LABELS platform TIMEOUT 600)
endif()
