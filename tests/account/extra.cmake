# The account tests recompute codes with OpenSSL directly, as a cross-check.
if(TARGET tst_pxauth)
    target_link_libraries(tst_pxauth PRIVATE OpenSSL::Crypto)
endif()
