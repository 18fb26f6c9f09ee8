# The whole-file chart: 2,000,000 records thinned per pixel column and drawn on an offscreen chart.
if(TARGET ql_velmo_ui)
  find_package(benchmark REQUIRED)
  add_executable(chart_bench ${CMAKE_CURRENT_LIST_DIR}/chart_bench.cpp)
  target_link_libraries(chart_bench PRIVATE ql_velmo_ui ql_data Qt6::Charts benchmark::benchmark)
endif()
