lux_add_bench(bench_decoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/decoder_bench.cpp LIBS luxproto)
