# The downloading program of bench/download_bench.sh.
add_executable(bench_download ${CMAKE_CURRENT_LIST_DIR}/download_bench.cc)
target_link_libraries(bench_download PRIVATE installer_lib)
target_link_options(bench_download PRIVATE -municode)
set_target_properties(bench_download PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
