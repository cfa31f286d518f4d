# Damaged installers, full drives and runs killed half way, end to end, each
# scenario in a fresh Wine prefix of its own.
foreach(scenario truncated_installer full_drive)
  add_test(NAME e2e_recovery_${scenario}
           COMMAND ${TARVO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/recovery_end_to_end_test.py
                   ${scenario} --build-dir ${CMAKE_BINARY_DIR}
                   --packages-dir ${CMAKE_BINARY_DIR}/end_to_end_packages)
  set_tests_properties(e2e_recovery_${scenario} PROPERTIES
      FIXTURES_REQUIRED e2e_packages TIMEOUT 600 SKIP_RETURN_CODE 77)
endforeach()
