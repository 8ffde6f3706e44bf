# The simulated meter's core is plain C++ (no Qt), so it lives in the protocol library.
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SimMeter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LcdFrame.cpp)
