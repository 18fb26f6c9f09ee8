# Recorded data: opening and paging a 32 MiB data file, and both CSV exports.
find_package(benchmark REQUIRED)
add_executable(data_bench ${CMAKE_CURRENT_LIST_DIR}/data_bench.cpp)
target_link_libraries(data_bench PRIVATE ql_data benchmark::benchmark)
