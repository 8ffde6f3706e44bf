# Plain C++ sources of this folder (no Qt): the payloads of the setting commands and the rules
# for what the user types into their input boxes.
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SettingsPayloads.cpp)
