# Delay-loaded system libraries. Under Wine (and on Windows) every DLL a
# module imports is loaded and initialised when the module loads; user32 and
# gdi32 alone cost more than a whole small program's start-up. The engine's
# print modes need none of them, so its system imports are resolved on first
# call instead: for each import library we make a delay-load twin with the
# same functions (data exports stay with the plain library).

set(TARVO_MINGW_LIB_DIR /usr/x86_64-w64-mingw32/lib)
set(TARVO_DLLTOOL x86_64-w64-mingw32-dlltool)
set(TARVO_NM x86_64-w64-mingw32-nm)
set(delay_dir ${CMAKE_BINARY_DIR}/delayimp)
file(MAKE_DIRECTORY ${delay_dir})

# Makes the imported target delay::<name> for the import library lib<name>.a.
function(tarvo_delay_import name)
  set(plain ${TARVO_MINGW_LIB_DIR}/lib${name}.a)
  set(out ${delay_dir}/lib${name}_delay.a)
  if(NOT EXISTS ${out} OR ${plain} IS_NEWER_THAN ${out})
    execute_process(COMMAND ${TARVO_DLLTOOL} -I ${plain}
                    OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${plain} is not an import library")
    endif()
    execute_process(COMMAND ${TARVO_NM} -g --defined-only ${plain}
                    OUTPUT_VARIABLE symbols ERROR_QUIET)
    string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
    string(REGEX MATCHALL "T [A-Za-z0-9_@?$]+" thunks "${symbols}")
    list(TRANSFORM imports REPLACE "^I __imp_" "")
    list(TRANSFORM thunks REPLACE "^T " "")
    # A function has a call thunk beside its import pointer; data has none.
    set(def "LIBRARY \"${dll}\"\nEXPORTS\n")
    foreach(f ${imports})
      list(FIND thunks ${f} found)
      if(NOT found EQUAL -1)
        string(APPEND def "  ${f}\n")
      endif()
    endforeach()
    file(WRITE ${delay_dir}/${name}.def "${def}")
    execute_process(COMMAND ${TARVO_DLLTOOL} -d ${delay_dir}/${name}.def -y ${out} -D ${dll}
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "could not make the delay-load library for ${name}")
    endif()
  endif()
  add_library(delay::${name} INTERFACE IMPORTED GLOBAL)
  # The plain library after its twin still resolves data exports. It is
  # named by its path: a bare name would mean a target of ours where one
  # has that name (the folder library "wininet"), which made a cycle that
  # the Makefile generator resolved without the include folders.
  set_target_properties(delay::${name} PROPERTIES INTERFACE_LINK_LIBRARIES "${out};${plain}")
endfunction()

foreach(lib ole32 oleaut32 shell32 shlwapi advapi32 user32 gdi32 userenv version rpcrt4
            bcrypt wininet winhttp crypt32 wintrust comctl32 msimg32 gdiplus uxtheme dbghelp
            netapi32 secur32 ws2_32)
  tarvo_delay_import(${lib})
endforeach()
