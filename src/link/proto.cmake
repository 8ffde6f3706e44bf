# Plain C++ protocol sources of this folder (no Qt): the frame, handshake and logger-value rules.
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Protocol.cpp)
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FrameDecoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LoggerValue.cpp)
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/PortChoice.cpp)
