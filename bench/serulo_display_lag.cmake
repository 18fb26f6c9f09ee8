# serulo's receive path at 921,600 baud: CPU and how long the newest bytes take to reach the screen.
if(QL310_BUILD_GUI)
  add_executable(serulo_display_lag ${CMAKE_CURRENT_LIST_DIR}/serulo_display_lag.cpp)
  target_link_libraries(serulo_display_lag PRIVATE ql_serulo_ui Qt6::Test Threads::Threads)
endif()
