add_executable(ql310-sim ${CMAKE_CURRENT_LIST_DIR}/ql310_sim.cpp)
target_link_libraries(ql310-sim PRIVATE ql_sim)
target_compile_definitions(ql310-sim PRIVATE QL310_VERSION="V${PROJECT_VERSION}")
install(TARGETS ql310-sim RUNTIME DESTINATION bin)
