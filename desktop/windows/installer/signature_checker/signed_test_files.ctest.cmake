# The signed files of the signer-check tests, made with the test PKI as a
# build step of the test executable (it reads them from bin/signed_test_files).
include(${CMAKE_SOURCE_DIR}/testing/test_pki/test_pki.cmake)
set(signed_test_files_dir ${CMAKE_BINARY_DIR}/bin/signed_test_files)
set(signed_test_files_script ${CMAKE_CURRENT_LIST_DIR}/make_signed_test_files.sh)
add_custom_command(
  OUTPUT ${signed_test_files_dir}/stamp
  COMMAND bash ${signed_test_files_script} ${TARVO_TEST_PKI_SCRIPT} ${TARVO_TEST_PKI_DIR}
          $<TARGET_FILE:test_pki_sample> ${signed_test_files_dir}
  DEPENDS ${signed_test_files_script} ${CMAKE_CURRENT_LIST_DIR}/hide_in_certificate_table.py
          ${TARVO_TEST_PKI_STAMP} test_pki test_pki_sample
  COMMENT "Signing the signer-check test files")
add_custom_target(signed_test_files DEPENDS ${signed_test_files_dir}/stamp)
add_dependencies(installer_unittests signed_test_files)
