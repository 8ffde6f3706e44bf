lux_add_bench(bench_wait SOURCES ${CMAKE_CURRENT_LIST_DIR}/wait_bench.cpp LIBS lux_link)
