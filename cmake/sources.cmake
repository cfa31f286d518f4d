# One static library per source folder, in layer order (see
# cmake/layers.cmake for the list and its map).
#
# tarvo_folder_library(<name> <folder> [EXCLUDE <subfolder>...] [LIBS <library>...])
#   declares the library <name> made of the sources below <folder>, minus
#   the folders declared as libraries of their own and the EXCLUDE folders
#   (relative to <folder>). LIBS are system or third-party libraries it
#   needs. Unit tests ("_unittest" suffix) and test fakes (in "test_support"
#   folders) go into the one test executable instead.
# tarvo_make_folder_libraries() then makes them all: each library links the
# one declared before it, so code may only call into folders declared
# earlier; a call the other way has no definition when the linker needs it.
# A folder without sources yet gives an interface library that keeps the
# chain, so a folder may be declared before its first file lands.

function(tarvo_folder_library name folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "EXCLUDE;LIBS")
  set_property(GLOBAL APPEND PROPERTY TARVO_LAYER_NAMES ${name})
  set_property(GLOBAL APPEND PROPERTY TARVO_LAYER_FOLDERS ${folder})
  set(excluded)
  foreach(sub ${arg_EXCLUDE})
    list(APPEND excluded ${folder}/${sub})
  endforeach()
  set_property(GLOBAL PROPERTY TARVO_LAYER_${name}_EXCLUDE ${excluded})
  set_property(GLOBAL PROPERTY TARVO_LAYER_${name}_LIBS ${arg_LIBS})
endfunction()

# Whether `path` lies in `folder` (both relative to the source tree).
function(tarvo_in_folder out path folder)
  string(FIND "${path}/" "${folder}/" position)
  if(position EQUAL 0)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

function(tarvo_make_folder_libraries)
  get_property(names GLOBAL PROPERTY TARVO_LAYER_NAMES)
  get_property(folders GLOBAL PROPERTY TARVO_LAYER_FOLDERS)
  set(previous)
  set(index 0)
  foreach(name ${names})
    list(GET folders ${index} folder)
    math(EXPR index "${index} + 1")
    get_property(excluded GLOBAL PROPERTY TARVO_LAYER_${name}_EXCLUDE)
    get_property(libs GLOBAL PROPERTY TARVO_LAYER_${name}_LIBS)
    # Folders of other libraries nested in this one are theirs.
    foreach(other ${folders})
      tarvo_in_folder(nested ${other} ${folder})
      if(nested AND NOT other STREQUAL folder)
        list(APPEND excluded ${other})
      endif()
    endforeach()

    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${CMAKE_SOURCE_DIR}/${folder}/*.cc ${CMAKE_SOURCE_DIR}/${folder}/*.c)
    set(sources)
    set(tests)
    foreach(f ${found})
      file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${f})
      set(skip FALSE)
      foreach(ex ${excluded})
        tarvo_in_folder(inside ${relative} ${ex})
        if(inside)
          set(skip TRUE)
        endif()
      endforeach()
      if(skip)
        continue()
      elseif(f MATCHES "_unittest\\.cc$" OR f MATCHES "/test_support/")
        list(APPEND tests ${f})
      else()
        list(APPEND sources ${f})
      endif()
    endforeach()

    if(sources)
      add_library(${name} STATIC ${sources})
      target_link_libraries(${name} PUBLIC ${previous} ${libs})
    else()
      add_library(${name} INTERFACE)
      target_link_libraries(${name} INTERFACE ${previous} ${libs})
    endif()
    set_property(GLOBAL APPEND PROPERTY TARVO_TESTS ${tests})
    set(previous ${name})
  endforeach()
  # The top library carries the whole engine.
  set_property(GLOBAL PROPERTY TARVO_ENGINE_LIBRARY ${previous})
endfunction()
