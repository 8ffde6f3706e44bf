# Plain C++ of the logger (no Qt): the memory dump's cut and split, and the listing's time rules.
target_sources(luxproto PRIVATE ${CMAKE_CURRENT_LIST_DIR}/MemoryDump.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/ListingTime.cpp)
