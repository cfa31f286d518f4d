# What installs and uninstalls record and take back, end to end: the real
# installer.exe and engine under Wine, each scenario in a fresh Wine prefix
# of its own.
foreach(scenario parallel_installs non_ascii_folder)
  add_test(NAME e2e_${scenario}
           COMMAND ${TARVO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/install_records_end_to_end_test.py
                   ${scenario} --build-dir ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_${scenario} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endforeach()
