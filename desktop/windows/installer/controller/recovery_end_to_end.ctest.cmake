# Damaged installers, full drives and runs killed half way, end to end, each
# scenario in a fresh Wine prefix of its own.
foreach(scenario truncated_installer full_drive uninstall_cleanup odd_folders
                 killed_install_0 killed_install_1 killed_install_2 killed_install_3
                 killed_upgrade_0 killed_upgrade_1 killed_upgrade_2 killed_upgrade_3
                 killed_upgrade_win10 killed_uninstall
                 killed_install_allusers killed_upgrade_allusers)
  add_test(NAME e2e_recovery_${scenario}
           COMMAND ${TARVO_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/recovery_end_to_end_test.py
                   ${scenario} --build-dir ${CMAKE_BINARY_DIR}
                   --packages-dir ${CMAKE_BINARY_DIR}/end_to_end_packages)
  # Each keeps a prefix's wineserver, its programs and a display busy.
  set_tests_properties(e2e_recovery_${scenario} PROPERTIES
      FIXTURES_REQUIRED e2e_packages TIMEOUT 600 SKIP_RETURN_CODE 77 PROCESSORS 2)
endforeach()
