# Collects the sources of a folder tree: production sources and unit tests
# are told apart by the "_unittest" suffix.
function(tarvo_collect out_sources out_tests)
  set(sources)
  set(tests)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${CMAKE_SOURCE_DIR}/${dir}/*.cc ${CMAKE_SOURCE_DIR}/${dir}/*.c)
    foreach(f ${found})
      if(f MATCHES "_unittest\\.cc$")
        list(APPEND tests ${f})
      elseif(NOT f MATCHES "/test_support/")
        list(APPEND sources ${f})
      endif()
    endforeach()
  endforeach()
  set(${out_sources} ${sources} PARENT_SCOPE)
  set(${out_tests} ${tests} PARENT_SCOPE)
endfunction()
