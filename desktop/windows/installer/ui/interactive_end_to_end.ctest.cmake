# The interactive installer end to end: installer.exe with the full package
# the build appended, its window driven from another process under Wine,
# in fresh prefixes of the test's own.
foreach(scenario accept close cancel)
  add_test(NAME e2e_interactive_${scenario}
           COMMAND ${TARVO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/interactive_end_to_end_test.py
                   ${scenario} --build-dir ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_interactive_${scenario} PROPERTIES TIMEOUT 600)
endforeach()
