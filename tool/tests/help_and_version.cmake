# --help, --version and the exit statuses of failed writes, run as a user
# runs them:
#   every command that the top-level help lists has examples in its help,
#   each starting "min_lumo COMMAND" and naming only options the command has;
#   --version names the version, the build and the library that loads;
#   a report, help or version written to a full disk (/dev/full) or to a
#   closed pipe (SIGPIPE ignored, as some runners start programs) exits 74
#   with a message, and an output file that cannot be written exits 74.
#   cmake -DTOOL=min_lumo -DVERSION=1.0.0 -DLOG=small_campaign.csv -DSAMPLE=sample_campaign.json -DSCRATCH=folder
#         -P help_and_version.cmake
cmake_policy(SET CMP0057 NEW)
foreach(variable TOOL VERSION LOG SAMPLE SCRATCH)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "help_and_version.cmake needs -D${variable}=...")
    endif()
endforeach()
set(failures "")
set(write_failed 74)

function(run_tool)
    execute_process(COMMAND "${TOOL}" ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    set(status "${status}" PARENT_SCOPE)
    set(output "${output}" PARENT_SCOPE)
    set(errors "${errors}" PARENT_SCOPE)
endfunction()

# The commands, from the top-level help: "  name[, alias]   what it does".
run_tool(--help)
if(NOT status EQUAL 0 OR NOT output MATCHES "Examples:\n" OR NOT output MATCHES "Exit status: .* 70 .* 74 ")
    list(APPEND failures "--help: exit status ${status}, or no examples or exit statuses:\n${output}")
endif()
string(REGEX REPLACE ".*\nSubcommands:\n" "" listing "${output}")
string(REGEX REPLACE "\n\n.*" "" listing "${listing}")
string(REPLACE "\n" ";" listing "${listing}")
set(commands "")
foreach(line ${listing})
    if(line MATCHES "^  ([a-z]+)")
        list(APPEND commands ${CMAKE_MATCH_1})
    endif()
endforeach()
if(NOT "plan" IN_LIST commands OR NOT "minimise" IN_LIST commands)
    list(APPEND failures "the top-level help lists no commands plan and minimise: ${commands}")
endif()

foreach(command ${commands})
    run_tool(${command} --help)
    string(FIND "${output}" "\nExamples:\n" at)
    if(NOT status EQUAL 0 OR at EQUAL -1)
        list(APPEND failures "${command} --help: exit status ${status}, no examples")
        continue()
    endif()
    string(SUBSTRING "${output}" 0 ${at} options)
    string(SUBSTRING "${output}" ${at} -1 examples)
    string(REPLACE "\n" ";" lines "${examples}")
    set(count 0)
    foreach(line ${lines})
        if(NOT line MATCHES "^  min_lumo ")
            continue()
        endif()
        math(EXPR count "${count} + 1")
        if(NOT line MATCHES "^  min_lumo ${command}( |$)")
            list(APPEND failures "${command} --help: an example of another command: ${line}")
        endif()
        string(REGEX MATCHALL " --[a-z][a-z-]*" named "${line}")
        foreach(option ${named})
            string(STRIP "${option}" option)
            if(NOT options MATCHES "[ ,]${option}[ ,\n]")
                list(APPEND failures "${command} --help: the example \"${line}\" names ${option}, which ${command} has not")
            endif()
        endforeach()
    endforeach()
    if(count EQUAL 0)
        list(APPEND failures "${command} --help: the examples give no command line")
    endif()
endforeach()

run_tool(--version)
if(NOT status EQUAL 0
   OR NOT output MATCHES "^min_lumo ${VERSION}\nbuild: [^\n]+, [^\n]+\nlibrary: [^\n]+, loaded with its three entry points\n$")
    list(APPEND failures "--version: exit status ${status}:\n${output}${errors}")
endif()

# Standard output that takes nothing: a full disk.  A short report stays in
# the buffer until it is flushed; a long one meets the disk at once.
foreach(run "--version" "plan --help" "check ${SAMPLE}" "generate campaign --sessions 3" "plan ${LOG} --control base")
    separate_arguments(arguments UNIX_COMMAND "${run}")
    execute_process(COMMAND "${TOOL}" ${arguments} OUTPUT_FILE /dev/full RESULT_VARIABLE status ERROR_VARIABLE errors)
    if(NOT status EQUAL write_failed OR NOT errors MATCHES "min_lumo: cannot write to standard output: No space left on device")
        list(APPEND failures "${run} > /dev/full: exit status ${status}, expected ${write_failed}:\n${errors}")
    endif()
endforeach()
# A pipe whose reader has gone, SIGPIPE ignored: the write fails with EPIPE.
find_program(BASH bash REQUIRED)
execute_process(COMMAND "${BASH}" -c "trap '' PIPE; \"$0\" generate campaign | true; exit \${PIPESTATUS[0]}" "${TOOL}"
    RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL write_failed OR NOT errors MATCHES "cannot write to standard output: Broken pipe")
    list(APPEND failures "generate campaign | (closed): exit status ${status}, expected ${write_failed}:\n${errors}")
endif()
# An output file in a folder that does not exist.
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
run_tool(generate campaign --sessions 3 --output "${SCRATCH}/no_such_folder/campaign.json")
if(NOT status EQUAL write_failed OR NOT errors MATCHES "cannot write ${SCRATCH}/no_such_folder/campaign.json")
    list(APPEND failures "--output into a missing folder: exit status ${status}, expected ${write_failed}:\n${errors}")
endif()

if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "${text}")
endif()
message(STATUS "help examples of ${commands}, --version and failed writes as expected")
