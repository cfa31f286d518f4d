# The package folders of silent installations end to end: installers of the
# same folder started together, and folders planted ahead for the coming
# runs. Each scenario in a fresh Wine prefix of its own.
set(package_folders_script ${CMAKE_CURRENT_LIST_DIR}/package_folders_end_to_end_test.py)
foreach(scenario same_second_installs planted_folders)
  add_test(NAME e2e_${scenario}
           COMMAND ${TARVO_PYTHON} ${package_folders_script} ${scenario}
                   --build-dir ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_${scenario} PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
endforeach()
