# The keychain crash test kills a child process that keeps saving items.
add_executable(keychain_crash_child ${CMAKE_CURRENT_LIST_DIR}/keychain_crash_child.cpp)
target_link_libraries(keychain_crash_child PRIVATE kelvo_platform)
if(TARGET tst_keychain)
    target_compile_definitions(tst_keychain PRIVATE
        KELVO_CRASH_CHILD="$<TARGET_FILE:keychain_crash_child>")
    target_link_libraries(tst_keychain PRIVATE SQLite::SQLite3)
    add_dependencies(tst_keychain keychain_crash_child)
endif()
