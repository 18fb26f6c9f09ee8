add_executable(ql310-sim ${CMAKE_CURRENT_LIST_DIR}/ql310_sim.cpp)
target_link_libraries(ql310-sim PRIVATE ql_sim)
install(TARGETS ql310-sim RUNTIME DESTINATION bin)
