# Genuine but unwanted packages of the expected signer, for the version
# checks of the backend, in ${CMAKE_BINARY_DIR}/older_packages:
#   signed_older.exe         the test package in a signed installer whose
#                            version resource says 51.0.2701.0
#   signed_other_stream.exe  the same, of the stream "nightlies"
#   older_installer.exe      installer.exe saying 51.0.2701.0 (unsigned)
#   signed_unversioned.exe   a signed program without a version resource
#                            carrying an archive of older_installer.exe, as
#                            "installer.exe"
include(${CMAKE_SOURCE_DIR}/testing/test_pki/test_pki.cmake)
set(older_dir ${CMAKE_BINARY_DIR}/older_packages)
set(older_appender ${CMAKE_SOURCE_DIR}/package/append_payload.py)
set(older_deps ${older_appender} ${CMAKE_SOURCE_DIR}/package/pe_version.py
    ${TARVO_TEST_PKI_STAMP} ${CMAKE_BINARY_DIR}/test_package/tarvo_package installer)
set(older_sign --sign covered --pki-dir ${TARVO_TEST_PKI_DIR})
add_custom_command(
  OUTPUT ${older_dir}/signed_older.exe ${older_dir}/signed_other_stream.exe
         ${older_dir}/older_installer.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${older_dir}
  COMMAND ${TARVO_PYTHON} ${older_appender} --installer $<TARGET_FILE:installer>
          --out ${older_dir}/signed_older.exe
          --package ${CMAKE_BINARY_DIR}/test_package/tarvo_package ${older_sign}
          --set-version-string ProductVersion=51.0.2701.0
  COMMAND ${TARVO_PYTHON} ${older_appender} --installer $<TARGET_FILE:installer>
          --out ${older_dir}/signed_other_stream.exe
          --package ${CMAKE_BINARY_DIR}/test_package/tarvo_package ${older_sign}
          --set-version-string Stream=nightlies
  COMMAND ${TARVO_PYTHON} -c
          "import sys; sys.path.insert(0, sys.argv[1]); import pe_version as p; d = bytearray(open(sys.argv[2], 'rb').read()); p.set_string_value(d, 'ProductVersion', '51.0.2701.0'); open(sys.argv[3], 'wb').write(d)"
          ${CMAKE_SOURCE_DIR}/package $<TARGET_FILE:installer> ${older_dir}/older_installer.exe
  DEPENDS ${older_deps}
  COMMENT "Making older packages of the expected signer"
  VERBATIM)
add_custom_command(
  OUTPUT ${older_dir}/signed_unversioned.exe
  COMMAND ${CMAKE_COMMAND} -E make_directory ${older_dir}/unversioned
  COMMAND ${CMAKE_COMMAND} -E copy ${older_dir}/older_installer.exe
          ${older_dir}/unversioned/installer.exe
  COMMAND ${CMAKE_COMMAND} -E rm -f ${older_dir}/unversioned.7z
  COMMAND 7z a -t7z -bd -y ${older_dir}/unversioned.7z ${older_dir}/unversioned/installer.exe
  COMMAND ${TARVO_PYTHON} ${older_appender} --installer $<TARGET_FILE:test_pki_sample>
          --out ${older_dir}/signed_unversioned.exe --package ${older_dir}/unversioned.7z
          ${older_sign}
  DEPENDS ${older_appender} ${TARVO_TEST_PKI_STAMP} ${older_dir}/older_installer.exe
          test_pki_sample
  COMMENT "Making a signed package without a version resource"
  VERBATIM)
add_custom_target(older_packages
                  DEPENDS ${older_dir}/signed_older.exe ${older_dir}/signed_unversioned.exe)
add_dependencies(older_packages test_pki test_package)
add_dependencies(installer_unittests older_packages)
