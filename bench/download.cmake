# File download: realignment of a 32 MiB stream, and 32 MiB fetched from a simulated logger on a
# pseudo-terminal, unpaced and paced at the line rate.
add_executable(download_bench ${CMAKE_CURRENT_LIST_DIR}/download_bench.cpp)
target_link_libraries(download_bench PRIVATE ql_cli ql_sim ql_data Threads::Threads)

# velmo download --all: five 1 MiB files at 115200 on the virtual clock, against their wire time.
add_executable(batch_download_bench ${CMAKE_CURRENT_LIST_DIR}/batch_download_bench.cpp)
target_link_libraries(batch_download_bench PRIVATE ql_shell ql_sim)
target_compile_definitions(batch_download_bench PRIVATE QL_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resources/velmo")
