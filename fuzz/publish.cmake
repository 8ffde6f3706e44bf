lux_add_fuzzer(fuzz_publish_config ${CMAKE_CURRENT_LIST_DIR}/fuzz_publish_config.cpp)
lux_add_fuzzer(fuzz_publish_inbound ${CMAKE_CURRENT_LIST_DIR}/fuzz_publish_inbound.cpp)
lux_add_fuzzer(fuzz_publish_spool ${CMAKE_CURRENT_LIST_DIR}/fuzz_publish_spool.cpp)
