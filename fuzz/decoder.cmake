lux_add_fuzzer(fuzz_frames ${CMAKE_CURRENT_LIST_DIR}/fuzz_frames.cpp)
