# Silent installations end to end against what another process or the
# spelling of the folder does: each scenario in a fresh Wine prefix.
set(trust_e2e_script ${CMAKE_CURRENT_LIST_DIR}/trust_end_to_end_test.py)
foreach(scenario forged_success peer_objects backend_ended_with_zero planted_folder planted_profile
                 case_twins odd_spellings long_folders)
  add_test(NAME e2e_trust_${scenario}
           COMMAND ${TARVO_PYTHON} ${trust_e2e_script} ${scenario} --build-dir ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_trust_${scenario} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endforeach()
