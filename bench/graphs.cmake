lux_add_bench(bench_graphs SOURCES ${CMAKE_CURRENT_LIST_DIR}/graphs_bench.cpp
  LIBS lux_graphs lux_ui lux_link luxtestsupport)
