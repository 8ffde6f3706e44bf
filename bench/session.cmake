# CPU of one and of eight meters' sessions without a window, against simulated meters paced at
# the line rate (bench_sessions N SECONDS).
lux_add_bench(bench_sessions SOURCES ${CMAKE_CURRENT_LIST_DIR}/session_bench.cpp
  LIBS lux_recorder lux_link_core lux_sim)
