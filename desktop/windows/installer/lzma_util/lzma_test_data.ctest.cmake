# The 7z archives of the LzmaUtil tests, made natively with p7zip as a build
# step of the test executable (it reads them from bin/lzma_test_data).
set(lzma_test_data_dir ${CMAKE_BINARY_DIR}/bin/lzma_test_data)
set(lzma_test_data_script ${CMAKE_CURRENT_LIST_DIR}/make_lzma_test_data.py)
add_custom_command(
  OUTPUT ${lzma_test_data_dir}/stamp
  COMMAND /usr/bin/python3 ${lzma_test_data_script} ${lzma_test_data_dir}
  DEPENDS ${lzma_test_data_script}
  COMMENT "Making the 7z test archives")
add_custom_target(lzma_test_data DEPENDS ${lzma_test_data_dir}/stamp)
add_dependencies(installer_unittests lzma_test_data)
