# File download: realignment of a 32 MiB stream, and 32 MiB fetched from a simulated logger on a
# pseudo-terminal, unpaced and paced at the line rate.
add_executable(download_bench ${CMAKE_CURRENT_LIST_DIR}/download_bench.cpp)
target_link_libraries(download_bench PRIVATE ql_cli ql_sim ql_data Threads::Threads)
