target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/DataFormat.cpp)
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/CsvFormat.cpp)
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/RecordLines.cpp)
