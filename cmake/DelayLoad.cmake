# Delay-loaded system libraries: a DLL listed here is loaded at the first call into it instead of
# before the program's first line runs. Under Wine, loading comdlg32, shell32 and ole32 at process
# start costs a start-up some 10 ms that only a file dialog, a drop or a shortcut ever needs.
#
# kb_delay_load(OUT_VAR dll...) makes a delay-import library for each DLL from the toolchain's own
# import library (every function it exports, so a new call needs nothing here) and puts the list
# of them in OUT_VAR, to link in place of the plain names. The helper that loads them comes with
# the mingw-w64 runtime.
function(kb_delay_load out_var)
    find_program(KB_DLLTOOL NAMES x86_64-w64-mingw32-dlltool dlltool REQUIRED)
    find_program(KB_NM NAMES x86_64-w64-mingw32-nm nm REQUIRED)
    set(libraries "")
    foreach(dll IN LISTS ARGN)
        find_library(import_${dll} NAMES lib${dll}.a ${dll} REQUIRED)
        execute_process(COMMAND ${KB_NM} -g ${import_${dll}} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
        # Functions only: a name with a code thunk ("T name") beside its import slot. Data
        # cannot be delay-loaded.
        string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z_][A-Za-z0-9_@]*" thunks "${symbols}")
        set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
        foreach(thunk IN LISTS thunks)
            string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${thunk}")
            if(NOT name MATCHES "^_" AND symbols MATCHES " I __imp_${name}\n")
                string(APPEND def "${name}\n")
            endif()
        endforeach()
        set(def_file ${CMAKE_BINARY_DIR}/delayload/${dll}.def)
        set(lib_file ${CMAKE_BINARY_DIR}/delayload/lib${dll}_delayed.a)
        file(WRITE ${def_file}.new "${def}")
        file(COPY_FILE ${def_file}.new ${def_file} ONLY_IF_DIFFERENT)
        add_custom_command(OUTPUT ${lib_file}
                           COMMAND ${KB_DLLTOOL} --input-def ${def_file} --dllname ${dll}.dll
                                   --output-delaylib ${lib_file}
                           DEPENDS ${def_file} VERBATIM)
        list(APPEND libraries ${lib_file})
    endforeach()
    add_custom_target(kb_delay_libraries DEPENDS ${libraries})
    set(${out_var} ${libraries} PARENT_SCOPE)
endfunction()
