# Parsing a full dump and listing the largest set (Google Benchmark), and the download of a full
# memory from luxpanel-sim at the real line rate (scripts/measure-download.sh runs it).
lux_add_bench(bench_logger SOURCES ${CMAKE_CURRENT_LIST_DIR}/logger_bench.cpp
  LIBS lux_logger lux_records lux_link lux_ui lux_sim luxtestsupport)
lux_add_bench(bench_logger_download SOURCES ${CMAKE_CURRENT_LIST_DIR}/logger_download.cpp
  LIBS lux_logger lux_records lux_link lux_ui)
