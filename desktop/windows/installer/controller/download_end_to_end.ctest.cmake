# Silent net installs against hostile package servers: each run must end
# with the fetch's failure within its limits, in a fresh Wine prefix.
foreach(scenario range_ignored headers_then_silence)
  add_test(NAME e2e_download_${scenario}
           COMMAND ${TARVO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/download_end_to_end_test.py
                   ${scenario} --build-dir ${CMAKE_BINARY_DIR})
  set_tests_properties(e2e_download_${scenario} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
endforeach()
