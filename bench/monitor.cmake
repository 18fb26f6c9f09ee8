# The online monitor: redraw with a full ring, storing one sample, sysuse.d with a full ring.
if(TARGET ql_velmo_ui)
  find_package(benchmark REQUIRED)
  add_executable(monitor_bench ${CMAKE_CURRENT_LIST_DIR}/monitor_bench.cpp)
  target_link_libraries(monitor_bench PRIVATE ql_velmo_ui ql_shell ql_status benchmark::benchmark)
  target_compile_definitions(monitor_bench PRIVATE QL_BENCH_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resources/velmo")
endif()
