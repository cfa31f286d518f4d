# The extraction program of bench/extract_bench.sh.
add_executable(bench_extract ${CMAKE_CURRENT_LIST_DIR}/extract_bench.cc)
target_link_libraries(bench_extract PRIVATE installer_lib psapi)
target_link_options(bench_extract PRIVATE -municode)
set_target_properties(bench_extract PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
