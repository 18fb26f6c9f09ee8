# Calibration: a 101-point order-5 fit, and a whole automatic calibration on the virtual clock
# against the settling and averaging windows it waits for.
find_package(benchmark REQUIRED)
add_executable(calibration_bench ${CMAKE_CURRENT_LIST_DIR}/calibration_bench.cpp)
target_link_libraries(calibration_bench PRIVATE ql_shell ql_sim ql_calibration benchmark::benchmark)
# The calibration rig the end-to-end test drives (tests/support/calibration_rig.h).
target_include_directories(calibration_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(calibration_bench PRIVATE QL_BENCH_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resources/velmo")
