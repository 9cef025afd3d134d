# Runs a program once and checks what it did.  Used by ctest as
#   cmake -DPROGRAM=... [-DEMULATOR=...] -DARGS=a|b|c [-DEXIT=n] [-DGOLDEN=file]
#         [-DSTDERR_HAS=text] [-DMUST_NOT_EXIST=file] [-DMUST_EXIST=file]
#         [-DOUTPUT_FOLDER=folder] -P run_and_check.cmake
# ARGS separates the program's arguments with |.  The standard output is
# compared with GOLDEN byte for byte, after turning CR LF into LF; when they
# differ, the output is left in OUTPUT_FOLDER.
string(REPLACE "|" ";" arguments "${ARGS}")
if(NOT DEFINED EXIT)
    set(EXIT 0)
endif()
if(MUST_NOT_EXIST)
    file(REMOVE "${MUST_NOT_EXIST}")
endif()
if(MUST_EXIST)
    file(REMOVE "${MUST_EXIST}")
endif()
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" ${arguments}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT "${status}" STREQUAL "${EXIT}")
    message(FATAL_ERROR "exit status ${status}, expected ${EXIT}\nstdout:\n${output}\nstderr:\n${errors}")
endif()
if(GOLDEN)
    file(READ "${GOLDEN}" expected)
    string(REPLACE "\r\n" "\n" output "${output}")
    if(NOT output STREQUAL expected)
        get_filename_component(name "${GOLDEN}" NAME)
        set(actual "${OUTPUT_FOLDER}/${name}.actual")
        file(WRITE "${actual}" "${output}")
        message(FATAL_ERROR "the output differs from ${GOLDEN}; it is in ${actual}\nstderr:\n${errors}")
    endif()
endif()
if(STDERR_HAS)
    string(FIND "${errors}" "${STDERR_HAS}" where)
    if(where EQUAL -1)
        message(FATAL_ERROR "standard error lacks \"${STDERR_HAS}\":\n${errors}")
    endif()
endif()
if(MUST_NOT_EXIST AND EXISTS "${MUST_NOT_EXIST}")
    message(FATAL_ERROR "${MUST_NOT_EXIST} was written although the run failed")
endif()
if(MUST_EXIST AND NOT EXISTS "${MUST_EXIST}")
    message(FATAL_ERROR "${MUST_EXIST} was not written")
endif()
