# What the hostile-input scripts share: the outputs put into a known state
# before a run, checks of what a refused run of the tool must have done and
# left, and the final report.  Each check appends what went wrong to the
# caller's list named by its first argument.

# Each output file is put into `state` before the run: holding the content
# of the caller's variable `known` when "existing", absent otherwise, and
# without a temporary of it in either case.
function(min_lumo_prepare_outputs state)
    foreach(output ${ARGN})
        file(REMOVE "${output}" "${output}.tmp")
        if(state STREQUAL "existing")
            file(WRITE "${output}" "${known}")
        endif()
    endforeach()
endfunction()

# The run ended with `expected` and its standard error, in the caller's
# variable named by `errorsVariable` (passed by name: it may hold
# semicolons), holds `text` (an empty `text`: holds anything at all).
function(min_lumo_check_run failuresList where status expected errorsVariable text)
    set(found ${${failuresList}})
    set(errors "${${errorsVariable}}")
    if(NOT status STREQUAL "${expected}")
        string(SUBSTRING "${errors}" 0 400 shown)
        list(APPEND found "${where}: exit status ${status}, expected ${expected}: ${shown}")
    endif()
    string(STRIP "${errors}" stripped)
    string(FIND "${errors}" "${text}" at)
    if(stripped STREQUAL "")
        list(APPEND found "${where}: nothing on standard error")
    elseif(at EQUAL -1)
        list(APPEND found "${where}: standard error lacks \"${text}\": ${errors}")
    endif()
    set(${failuresList} ${found} PARENT_SCOPE)
endfunction()

# Each output file is as it was before the run: byte for byte the content
# of the caller's variable `known` when it existed (`state` "existing"),
# absent otherwise, and no temporary of it left behind.
function(min_lumo_check_outputs failuresList where state)
    set(found ${${failuresList}})
    foreach(output ${ARGN})
        get_filename_component(name "${output}" NAME)
        if(state STREQUAL "existing")
            file(READ "${output}" now)
            if(NOT now STREQUAL known)
                list(APPEND found "${where}: the existing ${name} was changed")
            endif()
        elseif(EXISTS "${output}")
            list(APPEND found "${where}: ${name} was created")
        endif()
        if(EXISTS "${output}.tmp")
            list(APPEND found "${where}: a temporary ${name} was left behind")
        endif()
    endforeach()
    set(${failuresList} ${found} PARENT_SCOPE)
endfunction()

# Ends the script with `title` and one line per failure in the caller's list
# named by `failuresList`, when it holds any.
function(min_lumo_report_failures failuresList title)
    if(${failuresList})
        string(REPLACE ";" "\n" report "${${failuresList}}")
        message(FATAL_ERROR "${title}:\n${report}")
    endif()
endfunction()
