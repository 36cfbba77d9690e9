# The binding flow needs the reference service.
if(TARGET tst_bindflow AND TARGET kelvo-service)
    add_dependencies(tst_bindflow kelvo-service)
endif()
