# The reference-service tests start kelvo-service and compute codes with the
# OTP engine, as the marketplace does.
if(TARGET tst_referenceservice AND TARGET kelvo-service)
    target_link_libraries(tst_referenceservice PRIVATE kelvo_otp)
    add_dependencies(tst_referenceservice kelvo-service)
endif()
