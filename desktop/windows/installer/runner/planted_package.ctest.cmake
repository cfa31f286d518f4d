# The archive another program plants for the planted-package tests: a 7z
# whose "installer.exe" is a package program that records that it ran (the
# launcher stand-in), in ${CMAKE_BINARY_DIR}/rogue_package.
set(rogue_dir ${CMAKE_BINARY_DIR}/rogue_package)
add_custom_command(
  OUTPUT ${rogue_dir}/tarvo_package
  COMMAND ${CMAKE_COMMAND} -E make_directory ${rogue_dir}/files
  COMMAND ${CMAKE_COMMAND} -E rm -f ${rogue_dir}/tarvo_package ${rogue_dir}/rogue.7z
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:package_program_launcher>
          ${rogue_dir}/files/installer.exe
  # 7z names an archive without an extension ".7z" itself.
  COMMAND 7z a -t7z -bd -y ${rogue_dir}/rogue.7z ${rogue_dir}/files/installer.exe
  COMMAND ${CMAKE_COMMAND} -E rename ${rogue_dir}/rogue.7z ${rogue_dir}/tarvo_package
  DEPENDS package_program_launcher
  COMMENT "Making the planted package of the planted-package tests"
  VERBATIM)
add_custom_target(rogue_package DEPENDS ${rogue_dir}/tarvo_package)
add_dependencies(installer_unittests rogue_package)
