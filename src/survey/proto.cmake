target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/engine/SurveyGrid.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine/SurveyStats.cpp)
