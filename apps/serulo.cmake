# serulo: the serial debugging assistant.
if(QL310_BUILD_GUI)
  add_executable(serulo ${CMAKE_CURRENT_LIST_DIR}/serulo_main.cpp)
  target_link_libraries(serulo PRIVATE ql_serulo_ui)
  target_compile_definitions(serulo PRIVATE QL310_VERSION="V${PROJECT_VERSION}")
  install(TARGETS serulo RUNTIME DESTINATION bin)
endif()
