# A throw-away code-signing PKI made at build time by test_pki.sh (keys are
# never committed), for tests that need signed files. Gives:
#   TARVO_TEST_PKI_SCRIPT  the script (its "sign" command signs a file)
#   TARVO_TEST_PKI_DIR     the PKI: root.der, and <identity>.pem/.key for
#                          signer, other and selfsigned (see test_pki.sh)
#   TARVO_TEST_PKI_STAMP   a file to depend on: the PKI is complete
#   test_pki               the target that makes it
#   test_pki_sample        a tiny program to sign
# The signer's name is "expected_signer" of the product information.
set(TARVO_TEST_PKI_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/test_pki.sh)
set(TARVO_TEST_PKI_DIR ${CMAKE_BINARY_DIR}/test_pki)
set(TARVO_TEST_PKI_STAMP ${TARVO_TEST_PKI_DIR}/ready)

execute_process(
  COMMAND /usr/bin/python3 -c
          "import sys; sys.path.insert(0, sys.argv[1]); import resource_table as t; print(t.PRODUCT_INFO['expected_signer'])"
          ${CMAKE_SOURCE_DIR}/host/resources
  OUTPUT_VARIABLE TARVO_TEST_PKI_SIGNER OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE signer_result)
if(NOT signer_result EQUAL 0 OR TARVO_TEST_PKI_SIGNER STREQUAL "")
  message(FATAL_ERROR "Cannot read expected_signer from host/resources/resource_table.py")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/host/resources/resource_table.py)

# The rules exist once, whichever directory includes this file first.
if(TARGET test_pki)
  return()
endif()
add_custom_command(
  OUTPUT ${TARVO_TEST_PKI_STAMP}
  COMMAND bash ${TARVO_TEST_PKI_SCRIPT} init ${TARVO_TEST_PKI_DIR} "${TARVO_TEST_PKI_SIGNER}"
  DEPENDS ${TARVO_TEST_PKI_SCRIPT}
  COMMENT "Making the test code-signing PKI")
add_custom_target(test_pki DEPENDS ${TARVO_TEST_PKI_STAMP})

add_executable(test_pki_sample ${CMAKE_CURRENT_LIST_DIR}/sample_program.cc)
set_target_properties(test_pki_sample PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test_pki_sample)
