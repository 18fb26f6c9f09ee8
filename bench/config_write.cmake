# The configuration write's wall time through ql310-sim's server on a pseudo-terminal at 9600 baud.
add_executable(config_write_bench ${CMAKE_CURRENT_LIST_DIR}/config_write_bench.cpp)
target_link_libraries(config_write_bench PRIVATE ql_cli ql_sim Threads::Threads)
