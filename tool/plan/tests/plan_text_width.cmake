# The text plan of a generated campaign of 200 stations keeps to 120
# columns; --session shows that session alone; an unknown session is
# refused with exit status 2, the list of sessions and nothing written.
#
#   cmake -DTOOL=min_lumo [-DEMULATOR=...] -DSCRATCH=folder -P plan_text_width.cmake
foreach(variable TOOL SCRATCH)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "plan_text_width.cmake needs -D${variable}=...")
    endif()
endforeach()
set(report_columns 120)
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")

function(run_tool result_output expected_status)
    execute_process(COMMAND ${EMULATOR} "${TOOL}" ${ARGN}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT status STREQUAL expected_status)
        message(FATAL_ERROR "min_lumo ${ARGV2} ...: exit status ${status}, expected ${expected_status}\n${errors}")
    endif()
    set(${result_output} "${output}" PARENT_SCOPE)
    set(${result_output}_errors "${errors}" PARENT_SCOPE)
endfunction()

# The whole report keeps to the page, the occupation table included.
function(expect_narrow text where)
    string(REPLACE "\n" ";" lines "${text}")
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        string(LENGTH "${line}" width)
        if(width GREATER report_columns)
            message(FATAL_ERROR "${where}: line ${number} is ${width} characters wide:\n${line}")
        endif()
    endforeach()
endfunction()

# 2 days of 10 sessions of 10 receivers: 200 files over 200 stations.
run_tool(ignored 0 generate rinex --stations 200 --days 2 --sessions 10 --receivers 10 --interval 300 --seed 5
         --output-dir "${SCRATCH}/files")
file(GLOB files "${SCRATCH}/files/*.rnx")
list(GET files 0 first_file)
get_filename_component(control "${first_file}" NAME)
string(SUBSTRING "${control}" 0 4 control)

run_tool(text 0 plan ${files} --control ${control})
expect_narrow("${text}" "the plan of 200 stations")
string(REGEX MATCHALL "\nTime-network [0-9]+ \\(sessions? [^)]*\\)" networks "${text}")
list(LENGTH networks network_count)
if(network_count LESS 2)
    message(FATAL_ERROR "the plan shows ${network_count} time-networks:\n${text}")
endif()
list(GET networks 0 first_network)
string(REGEX REPLACE ".*\\(sessions? ([^,)]+).*" "\\1" session "${first_network}")

run_tool(one 0 plan ${files} --control ${control} --session ${session})
expect_narrow("${one}" "the plan of session ${session}")
string(REGEX MATCHALL "\nTime-network [0-9]+ \\(sessions? [^)]*\\)" shown "${one}")
# Only that session's time-networks (a session may span several).
list(LENGTH shown shown_count)
if(shown_count EQUAL 0)
    message(FATAL_ERROR "--session ${session} shows no time-network:\n${one}")
endif()
foreach(network IN LISTS shown)
    if(NOT network MATCHES "\\(session ${session}\\)$")
        message(FATAL_ERROR "--session ${session} shows ${shown}")
    endif()
endforeach()
if(NOT one MATCHES "Shown: session ${session} of [0-9]+ sessions\n")
    message(FATAL_ERROR "--session ${session}: no line says what is shown:\n${one}")
endif()
if(NOT one MATCHES "\nStations: [0-9]+ ")
    message(FATAL_ERROR "--session ${session}: no count of the stations shown:\n${one}")
endif()

run_tool(refused 2 plan ${files} --session 999Z --csv "${SCRATCH}/refused.csv")
if(NOT refused_errors MATCHES "--session 999Z: no session of that name; the sessions are ${session}, ")
    message(FATAL_ERROR "--session 999Z: ${refused_errors}")
endif()
if(EXISTS "${SCRATCH}/refused.csv")
    message(FATAL_ERROR "--session 999Z: the CSV was written")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
message(STATUS "plan text width: 200 stations within ${report_columns} columns; session ${session} alone")
