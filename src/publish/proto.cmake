# Plain C++ rules of the publisher (no Qt): configuration, broker URL, messages, spool lines.
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/engine/PublishConfig.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine/PublishFormat.cpp)
