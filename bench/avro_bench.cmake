# The statistics program of bench/avro_bench.sh.
add_executable(bench_avro ${CMAKE_CURRENT_LIST_DIR}/avro_bench.cc)
target_link_libraries(bench_avro PRIVATE installer_lib)
target_link_options(bench_avro PRIVATE -municode)
set_target_properties(bench_avro PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
