# Silent installations end to end: the real installer.exe and engine under
# Wine, each scenario in a fresh Wine prefix of its own. The newer packages
# are built once for all of them.
set(e2e_script ${CMAKE_CURRENT_LIST_DIR}/silent_end_to_end_test.py)
set(e2e_packages ${CMAKE_BINARY_DIR}/end_to_end_packages)
add_test(NAME e2e_packages
         COMMAND ${TARVO_PYTHON} ${e2e_script} packages --build-dir ${CMAKE_BINARY_DIR}
                 --source-dir ${CMAKE_SOURCE_DIR} --out-dir ${e2e_packages})
set_tests_properties(e2e_packages PROPERTIES FIXTURES_SETUP e2e_packages TIMEOUT 120)
foreach(scenario current_user all_users upgrade uninstall uninstall_leaves_nothing
                 failure_rolls_back repair
                 uninstall_in_use failure_at_steps_0 failure_at_steps_1 failure_at_steps_2)
  add_test(NAME e2e_${scenario}
           COMMAND ${TARVO_PYTHON} ${e2e_script} ${scenario} --build-dir ${CMAKE_BINARY_DIR}
                   --packages-dir ${e2e_packages})
  # 77: the scenario stops at a piece this build lacks, and says where.
  set_tests_properties(e2e_${scenario} PROPERTIES
      FIXTURES_REQUIRED e2e_packages TIMEOUT 600 SKIP_RETURN_CODE 77)
endforeach()
