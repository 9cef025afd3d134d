# The tool under hostile project files.  For every case and for both commands
# that write a project, the tool must exit with 2, say on standard error what
# is wrong, and leave the --output file alone: an existing one byte for byte,
# a missing one not created (nor its temporary).
#
#   cmake -DTOOL=min_lumo -DSCRATCH=folder -DSAMPLE=sample.json -P hostile_input.cmake
foreach(variable TOOL SCRATCH SAMPLE)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "hostile_input.cmake needs -D${variable}=...")
    endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/refused_run_checks.cmake)
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/inputs" "${SCRATCH}/a_directory.json")

set(cases "")
function(hostile name content)
    file(WRITE "${SCRATCH}/inputs/${name}.json" "${content}")
    set(cases ${cases} "${SCRATCH}/inputs/${name}.json" PARENT_SCOPE)
endfunction()

file(READ "${SAMPLE}" sample)

# Malformed JSON.
hostile(truncated "{\"stations\": [{\"name\": \"BASE\"")
string(SUBSTRING "${sample}" 0 2000 sample_head)
hostile(truncated_sample "${sample_head}")
hostile(trailing_garbage "{\"stations\": []} x")
hostile(single_quotes "{'stations': []}")
hostile(comment "{\"stations\": [] /* no comments in JSON */}")
hostile(nul_byte "{\"stations\": [{\"name\": \"A\\u0000B\"}]}")
# Wrong types.
hostile(top_level_array "[]")
hostile(top_level_null "null")
hostile(top_level_text "\"stations\"")
hostile(top_level_number "42")
hostile(stations_as_text "{\"stations\": \"BASE\"}")
hostile(station_as_number "{\"stations\": [7]}")
hostile(name_as_number "{\"stations\": [{\"name\": 5}]}")
hostile(latitude_as_text "{\"stations\": [{\"name\": \"A\", \"latitude\": \"north\"}]}")
hostile(ratio_as_list "{\"sources\": [{\"name\": \"G\", \"ratio\": [1, 2]}]}")
# Numbers beyond every range.
hostile(huge_real "{\"stations\": [{\"name\": \"A\", \"latitude\": 1e999}]}")
hostile(huge_negative_real "{\"stations\": [{\"name\": \"A\", \"height\": -1e400}]}")
hostile(huge_integer "{\"sources\": [{\"name\": \"G\", \"ratio\": {\"numerator\": 99999999999999999999999, \"denominator\": 1}}]}")
hostile(integer_past_int32 "{\"sources\": [{\"name\": \"G\", \"ratio\": {\"numerator\": 2147483648, \"denominator\": 1}}]}")
hostile(fractional_integer "{\"sources\": [{\"name\": \"G\", \"ratio\": {\"numerator\": 1.5, \"denominator\": 1}}]}")
# Deep nesting, at the top and inside a field.
string(REPEAT "[" 100000 open)
string(REPEAT "]" 100000 close)
hostile(deep_arrays "${open}${close}")
hostile(deep_unclosed "${open}")
hostile(deep_in_field "{\"stations\": [{\"name\": \"A\", \"latitude\": ${open}${close}}]}")
string(REPEAT "{\"a\":" 50000 open_objects)
string(REPEAT "}" 50000 close_objects)
hostile(deep_objects "{\"stations\": ${open_objects}1${close_objects}}")
# A 10 MB station name and a 10 MB unknown field.
string(REPEAT "ABCDEFGHIJ" 1048576 ten_megabytes)
hostile(ten_megabyte_name "{\"stations\": [{\"name\": \"${ten_megabytes}\"}]}")
hostile(ten_megabyte_field "{\"${ten_megabytes}\": 1}")
set(ten_megabytes "")
# Bytes that are not UTF-8, inside a text and outside.
string(ASCII 255 byte_ff)
string(ASCII 192 byte_c0)
hostile(non_utf8_name "{\"stations\": [{\"name\": \"B${byte_ff}${byte_c0}SE\"}]}")
hostile(non_utf8_outside "{\"stations\": []${byte_ff}}")
# A key given twice in one object: nothing may quietly drop the first list.
hostile(repeated_key "{\"stations\": [{\"name\": \"A\"}], \"stations\": []}")
string(REGEX REPLACE "}[ \n]*$" ",\n  \"stations\": []\n}\n" sample_with_stations_twice "${sample}")
hostile(sample_with_stations_twice "${sample_with_stations_twice}")
hostile(repeated_field_of_a_record "{\"stations\": [{\"name\": \"A\", \"latitude\": 1, \"latitude\": 2}]}")
# Nothing at all.
hostile(empty "")
hostile(only_space " \n\t ")

list(APPEND cases "${SCRATCH}/inputs/missing.json" "${SCRATCH}/a_directory.json")

set(known "known content: must survive every failed run\n")
set(failures "")
set(runs 0)
foreach(input ${cases})
    get_filename_component(case "${input}" NAME_WE)
    # Each command once per case, one with an existing output file and one
    # without; which one alternates, so both states meet both commands.
    if(minimise_state STREQUAL "existing")
        set(minimise_state absent)
        set(orient_state existing)
    else()
        set(minimise_state existing)
        set(orient_state absent)
    endif()
    foreach(command minimise orient)
        set(output_state ${${command}_state})
        set(output "${SCRATCH}/out_${command}_${case}.json")
        min_lumo_prepare_outputs(${output_state} "${output}")
        execute_process(COMMAND "${TOOL}" ${command} "${input}" --output "${output}"
            RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE errors)
        math(EXPR runs "${runs} + 1")
        set(where "${command} ${case} (output ${output_state})")
        min_lumo_check_run(failures "${where}" "${status}" 2 errors "")
        min_lumo_check_outputs(failures "${where}" ${output_state} "${output}")
    endforeach()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")

min_lumo_report_failures(failures "the tool mishandled hostile input")
message(STATUS "hostile input: ${runs} runs, all refused with exit status 2 and the output untouched")
