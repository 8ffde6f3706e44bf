# The list windows at 100000 rows: open, save, recording tick, print to PDF.
lux_add_bench(bench_records SOURCES ${CMAKE_CURRENT_LIST_DIR}/records_bench.cpp
  LIBS lux_records lux_link lux_ui lux_sim luxtestsupport)
