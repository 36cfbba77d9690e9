# The binding flow needs the reference service, and OpenSSL for its cross-check.
if(TARGET tst_bindflow AND TARGET kelvo-service)
    target_link_libraries(tst_bindflow PRIVATE OpenSSL::Crypto)
    add_dependencies(tst_bindflow kelvo-service)
endif()
if(TARGET tst_startup)
    target_link_libraries(tst_startup PRIVATE OpenSSL::Crypto)
endif()
