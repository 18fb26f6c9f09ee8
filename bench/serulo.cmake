# serulo under a pseudo-terminal flood: drain rate, lost bytes, memory, CPU and send latency.
if(QL310_BUILD_GUI)
  add_executable(serulo_flood ${CMAKE_CURRENT_LIST_DIR}/serulo_flood.cpp)
  target_link_libraries(serulo_flood PRIVATE ql_serulo_ui Qt6::Test Threads::Threads)
endif()
