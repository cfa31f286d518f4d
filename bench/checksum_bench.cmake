# The hashing program of bench/checksum_bench.sh.
add_executable(bench_checksum ${CMAKE_CURRENT_LIST_DIR}/checksum_bench.cc)
target_link_libraries(bench_checksum PRIVATE installer_lib)
target_link_options(bench_checksum PRIVATE -municode)
set_target_properties(bench_checksum PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
