# The survey file reader runs on Qt Core's JSON; the target links it beside the protocol library.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core)
lux_add_fuzzer(fuzz_survey ${CMAKE_CURRENT_LIST_DIR}/fuzz_survey.cpp
  ${CMAKE_SOURCE_DIR}/src/survey/engine/SurveyFile.cpp)
target_link_libraries(fuzz_survey PRIVATE Qt6::Core)
