target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/NumberText.cpp)
