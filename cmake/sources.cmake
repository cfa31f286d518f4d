# Collects the sources of a folder tree: unit tests ("_unittest" suffix) and
# test fakes (in "test_support" folders) go into the test executable only.
function(tarvo_collect out_sources out_tests)
  set(sources)
  set(tests)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${CMAKE_SOURCE_DIR}/${dir}/*.cc ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    foreach(f ${found})
      if(f MATCHES "_unittest\\.cc$" OR f MATCHES "/test_support/")
        list(APPEND tests ${f})
      else()
        list(APPEND sources ${f})
      endif()
    endforeach()
  endforeach()
  set(${out_sources} ${sources} PARENT_SCOPE)
  set(${out_tests} ${tests} PARENT_SCOPE)
endfunction()
