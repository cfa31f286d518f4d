# Data files planted beside the installer and in the download folders of a
# silent installation, end to end in a fresh Wine prefix of its own.
add_test(NAME e2e_planted_data_files
         COMMAND ${TARVO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/data_files_end_to_end_test.py
                 planted_data_files --build-dir ${CMAKE_BINARY_DIR})
set_tests_properties(e2e_planted_data_files PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
