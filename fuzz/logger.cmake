lux_add_fuzzer(fuzz_dump ${CMAKE_CURRENT_LIST_DIR}/fuzz_dump.cpp)
