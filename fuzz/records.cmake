lux_add_fuzzer(fuzz_datafile ${CMAKE_CURRENT_LIST_DIR}/fuzz_datafile.cpp)
