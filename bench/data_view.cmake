# The data page's table over a 32 MiB data file: opening at page 1 and turning pages, painted.
if(TARGET ql_velmo_ui)
  find_package(benchmark REQUIRED)
  add_executable(data_view_bench ${CMAKE_CURRENT_LIST_DIR}/data_view_bench.cpp)
  target_link_libraries(data_view_bench PRIVATE ql_velmo_ui ql_data benchmark::benchmark)
endif()
