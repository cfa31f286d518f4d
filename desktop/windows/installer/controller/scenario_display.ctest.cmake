# The scenarios' display keeps its state when its last client leaves (a
# reset would drop or never answer a Wine process connecting meanwhile).
add_test(NAME e2e_display_never_resets
         COMMAND ${TARVO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/scenario_display_test.py)
set_tests_properties(e2e_display_never_resets PROPERTIES TIMEOUT 60)
