# `plan` under files that are not what they claim.  Each bad file goes in
# beside two good RINEX files that would plan on their own.  The run must
# exit with 2, name the bad file (and the line, where one applies) and what
# is wrong on standard error, and leave every output alone: an existing
# --output, --csv, --svg or --geojson file byte for byte, a missing one not
# created (nor its temporary).  With --keep-going the same file is only a
# warning and the plan is made without it.
#
#   cmake -DTOOL=min_lumo [-DEMULATOR=...] -DSCRATCH=folder -P plan_hostile_input.cmake
foreach(variable TOOL SCRATCH)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "plan_hostile_input.cmake needs -D${variable}=...")
    endif()
endforeach()
include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/refused_run_checks.cmake)
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}/bad" "${SCRATCH}/bad/a_folder.rnx")

execute_process(COMMAND ${EMULATOR} "${TOOL}" generate rinex --stations 2 --sessions 1 --receivers 2
                        --output-dir "${SCRATCH}/good" RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
file(GLOB good "${SCRATCH}/good/*.rnx")
list(LENGTH good good_count)
if(NOT status STREQUAL "0" OR NOT good_count EQUAL 2)
    message(FATAL_ERROR "generate rinex failed (${status}, ${good_count} files): ${errors}")
endif()
list(GET good 0 good_file)
file(STRINGS "${good_file}" good_lines)
list(SUBLIST good_lines 0 10 header_head)
string(REPLACE ";" "\n" header_head "${header_head}")

# Every case: its file name, its content, and what standard error must say
# after the file's path (":LINE: what" where a line applies, ": what" else).
set(cases "")
function(hostile name content expected)
    file(WRITE "${SCRATCH}/bad/${name}" "${content}")
    set(cases ${cases} "${name}" PARENT_SCOPE)
    set(expected_${name} "${expected}" PARENT_SCOPE)
endfunction()

string(ASCII 31 157 compress_magic)
string(ASCII 80 75 3 4 zip_magic)
string(ASCII 255 192 254 1 2 3 binary)
# A RINEX header line: its content in columns 1-60, then its label.
string(REPEAT " " 60 blank_columns)
function(header_line variable content label)
    string(SUBSTRING "${content}${blank_columns}" 0 60 columns)
    set(${variable} "${${variable}}${columns}${label}\n" PARENT_SCOPE)
endfunction()
set(navigation "")
header_line(navigation "     3.04           N: GNSS NAV DATA    M: MIXED" "RINEX VERSION / TYPE")
set(version_five "")
header_line(version_five "     5.00           OBSERVATION DATA    M" "RINEX VERSION / TYPE")
set(without_types "")
header_line(without_types "     2.11           OBSERVATION DATA    G (GPS)" "RINEX VERSION / TYPE")
header_line(without_types "BASE" "MARKER NAME")
header_line(without_types "" "END OF HEADER")
hostile(notes.rnx "field notes, not RINEX\n" ":1: not a RINEX file: the first line is not RINEX VERSION / TYPE")
hostile(empty.rnx "" ": the file is empty")
hostile(navigation.rnx "${navigation}" ":1: a RINEX navigation message file, not observation data")
hostile(version_five.rnx "${version_five}" ":1: RINEX version 5.00 is not read here")
hostile(truncated_header.rnx "${header_head}\n" ":10: the header has no END OF HEADER line")
hostile(rinex2_without_types.10o "${without_types}" ":3: the RINEX 2 header has no # / TYPES OF OBSERV line")
hostile(binary.rnx "${binary}\n" ":1: not a RINEX file")
hostile(compressed.rnx.Z "${compress_magic}rest of the file" ": is compressed with Unix compress (.Z)")
hostile(archive.zip "${zip_magic}rest of the archive" ": is a zip archive")
hostile(compressed.crx.bz2 "BZh91AY&SYrest of the file" ": is compressed with bzip2")
hostile(bad_time.csv "BASE,2024-05-14T07:30:00Z,yesterday\n" ":1: field 3 (end): 'yesterday' is not an ISO 8601 time")
hostile(short_line.csv "station,start,end\nBASE,2024-05-14T07:30:00Z\n" ":2: 2 fields")
hostile(no_occupation.csv "# nothing logged\n" ": the log holds no occupation")
hostile(repeated_column.csv "Station,Start,End,start\nBASE,2024-05-14T07:30:00Z,2024-05-14T08:30:00Z\n"
        ":1: the heading names the column 'start' twice (fields 2 and 4)")
list(APPEND cases a_folder.rnx missing.rnx)
set(expected_a_folder.rnx ": no RINEX observation file or occupation log in this folder")
set(expected_missing.rnx ": cannot be opened")

set(paths "")
foreach(output output.json plan.csv plan.svg plan.geojson)
    list(APPEND paths "${SCRATCH}/${output}")
endforeach()
set(known "known content: must survive every failed run\n")
set(failures "")
set(runs 0)
set(state absent)
foreach(case ${cases})
    set(bad "${SCRATCH}/bad/${case}")
    # Outputs exist before every other case, so both states meet every kind.
    if(state STREQUAL "absent")
        set(state existing)
    else()
        set(state absent)
    endif()
    min_lumo_prepare_outputs(${state} ${paths})
    execute_process(COMMAND ${EMULATOR} "${TOOL}" plan ${good} "${bad}" --output "${SCRATCH}/output.json"
                            --csv "${SCRATCH}/plan.csv" --svg "${SCRATCH}/plan.svg" --geojson "${SCRATCH}/plan.geojson"
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE errors)
    math(EXPR runs "${runs} + 1")
    set(where "${case} (outputs ${state})")
    min_lumo_check_run(failures "${where}" "${status}" 2 errors "${bad}${expected_${case}}")
    min_lumo_check_outputs(failures "${where}" ${state} ${paths})

    execute_process(COMMAND ${EMULATOR} "${TOOL}" plan --keep-going ${good} "${bad}" --output "${SCRATCH}/output.json"
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE errors)
    math(EXPR runs "${runs} + 1")
    min_lumo_check_run(failures "${case} with --keep-going" "${status}" 0 errors "warning: ${bad}${expected_${case}}")
    if(NOT out MATCHES "Plan of 2 files")
        list(APPEND failures "${case} with --keep-going: the plan is not of the two good files: ${out}")
    endif()
endforeach()

# Good files, but one output cannot be written (its folder does not exist):
# the others are not written either, and existing ones keep their bytes.
# The GeoJSON folder the run would have made is not left behind either.
set(kept "${SCRATCH}/output.json" "${SCRATCH}/plan.svg")
foreach(state existing absent)
    min_lumo_prepare_outputs(${state} ${kept})
    file(REMOVE_RECURSE "${SCRATCH}/plan_layers")
    execute_process(COMMAND ${EMULATOR} "${TOOL}" plan ${good} --output "${SCRATCH}/output.json"
                            --csv "${SCRATCH}/no_such_folder/plan.csv" --svg "${SCRATCH}/plan.svg"
                            --geojson "${SCRATCH}/plan_layers"
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE errors)
    math(EXPR runs "${runs} + 1")
    set(where "an unwritable --csv (outputs ${state})")
    min_lumo_check_run(failures "${where}" "${status}" 74 errors "cannot write ${SCRATCH}/no_such_folder/plan.csv")
    min_lumo_check_outputs(failures "${where}" ${state} ${kept})
    if(EXISTS "${SCRATCH}/plan_layers")
        list(APPEND failures "${where}: the GeoJSON folder was left behind")
    endif()
endforeach()

# generate rinex into a folder that already holds a campaign mixes the two:
# refused unless --force, and nothing in the folder changes.
file(GLOB before "${SCRATCH}/good/*")
execute_process(COMMAND ${EMULATOR} "${TOOL}" generate rinex --stations 3 --sessions 1 --receivers 2 --seed 5
                        --output-dir "${SCRATCH}/good" RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
math(EXPR runs "${runs} + 1")
min_lumo_check_run(failures "generate rinex into a campaign" "${status}" 2 errors "the folder is not empty")
file(GLOB after "${SCRATCH}/good/*")
if(NOT before STREQUAL after)
    list(APPEND failures "generate rinex into a campaign: the folder changed: ${after}")
endif()
execute_process(COMMAND ${EMULATOR} "${TOOL}" generate rinex --stations 3 --sessions 1 --receivers 2 --seed 5 --force
                        --output-dir "${SCRATCH}/good" RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
math(EXPR runs "${runs} + 1")
if(NOT status STREQUAL "0")
    list(APPEND failures "generate rinex --force into a campaign: exit status ${status}: ${errors}")
endif()
file(REMOVE_RECURSE "${SCRATCH}")

min_lumo_report_failures(failures "plan mishandled bad files")
message(STATUS "plan hostile input: ${runs} runs, each bad file refused with exit status 2 and the outputs untouched, "
               "or left out with --keep-going")
