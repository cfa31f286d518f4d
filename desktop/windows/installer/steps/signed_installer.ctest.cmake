# A signed installer.exe with a signed engine beside it, in
# ${CMAKE_BINARY_DIR}/signed_installer, for the tests that run the elevated
# helper of a signed build for real; made at build time with the test PKI's
# signer. The tests also plant the test package's launcher and the host
# tests' fake engine, which record that they ran.
include(${CMAKE_SOURCE_DIR}/testing/test_pki/test_pki.cmake)
set(signed_installer_dir ${CMAKE_BINARY_DIR}/signed_installer)
add_custom_command(
  OUTPUT ${signed_installer_dir}/installer.exe ${signed_installer_dir}/installer_engine.dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${signed_installer_dir}
  COMMAND bash ${TARVO_TEST_PKI_SCRIPT} sign ${TARVO_TEST_PKI_DIR} signer
          $<TARGET_FILE:installer> ${signed_installer_dir}/installer.exe
  COMMAND bash ${TARVO_TEST_PKI_SCRIPT} sign ${TARVO_TEST_PKI_DIR} signer
          $<TARGET_FILE:installer_engine> ${signed_installer_dir}/installer_engine.dll
  DEPENDS ${TARVO_TEST_PKI_SCRIPT} ${TARVO_TEST_PKI_STAMP} installer installer_engine
  COMMENT "Signing an installer and its engine for the helper tests"
  VERBATIM)
add_custom_target(signed_installer
                  DEPENDS ${signed_installer_dir}/installer.exe
                          ${signed_installer_dir}/installer_engine.dll)
add_dependencies(signed_installer test_pki)
add_dependencies(installer_unittests signed_installer host_fake_engine package_program_launcher)
