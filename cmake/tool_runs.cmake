# One end-to-end run of the min_lumo tool (or of PROGRAM) as a test, checked
# by run_and_check.cmake:
#   min_lumo_tool_run(NAME name [PROGRAM file] [ARGS a|b|c] [EXIT n] [GOLDEN file]
#                     [STDOUT_HAS text] [STDERR_HAS text] [MUST_NOT_EXIST file]
#                     [MUST_EXIST file] [OUTPUT_FOLDER folder] [WORKING_DIRECTORY folder])
# A differing output is left in OUTPUT_FOLDER (default: the current build
# folder), which is also where the run happens unless WORKING_DIRECTORY says
# otherwise.  Cross builds run the program through their emulator.
function(min_lumo_tool_run)
    cmake_parse_arguments(RUN ""
        "NAME;PROGRAM;ARGS;EXIT;GOLDEN;STDOUT_HAS;STDERR_HAS;MUST_NOT_EXIST;MUST_EXIST;OUTPUT_FOLDER;WORKING_DIRECTORY" "" ${ARGN})
    if(NOT RUN_OUTPUT_FOLDER)
        set(RUN_OUTPUT_FOLDER ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    if(NOT RUN_WORKING_DIRECTORY)
        set(RUN_WORKING_DIRECTORY ${RUN_OUTPUT_FOLDER})
    endif()
    if(NOT RUN_PROGRAM)
        set(RUN_PROGRAM $<TARGET_FILE:min_lumo_tool>)
    endif()
    set(definitions -DPROGRAM=${RUN_PROGRAM} "-DARGS=${RUN_ARGS}" -DOUTPUT_FOLDER=${RUN_OUTPUT_FOLDER})
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        list(APPEND definitions "-DEMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}")
    endif()
    foreach(key EXIT GOLDEN STDOUT_HAS STDERR_HAS MUST_NOT_EXIST MUST_EXIST)
        if(DEFINED RUN_${key})
            list(APPEND definitions "-D${key}=${RUN_${key}}")
        endif()
    endforeach()
    add_test(NAME ${RUN_NAME} COMMAND ${CMAKE_COMMAND} ${definitions} -P ${PROJECT_SOURCE_DIR}/cmake/run_and_check.cmake
             WORKING_DIRECTORY ${RUN_WORKING_DIRECTORY})
    # wine-run keeps its prefix in the build folder it runs in; a run in a
    # source folder (the test data) names the build's own.
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        set_tests_properties(${RUN_NAME} PROPERTIES ENVIRONMENT MIN_LUMO_WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix)
    endif()
endfunction()
