# The publisher on a broker of its own: acknowledgement latency and spool replay.
lux_add_bench(bench_publish SOURCES ${CMAKE_CURRENT_LIST_DIR}/publish_bench.cpp LIBS lux_publisher)
target_include_directories(bench_publish PRIVATE ${CMAKE_SOURCE_DIR}/tests/publish)
