# serulo: the serial debugging assistant.
if(QL310_BUILD_GUI)
  add_executable(serulo ${CMAKE_CURRENT_LIST_DIR}/serulo_main.cpp)
  target_link_libraries(serulo PRIVATE ql_serulo_ui)
  install(TARGETS serulo RUNTIME DESTINATION bin)
endif()
