# The installer window end to end as a person uses it (keystrokes, the last
# statistics record), in fresh prefixes of the test's own.
foreach(scenario statistics typed_path)
  add_test(NAME e2e_window_${scenario}
           COMMAND ${TARVO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/window_end_to_end_test.py
                   ${scenario} --build-dir ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_window_${scenario} PROPERTIES TIMEOUT 600)
endforeach()
