# The plan of a generated RINEX campaign, checked against what the campaign
# is known to hold without asking the planner:
#   - one occupation per file, days x sessions x receivers files;
#   - one station per distinct marker, which RINEX 3 long file names carry
#     in their first four characters;
#   - every two receivers of a session overlap by far more than 15 minutes
#     (the generator staggers starts and ends by at most five minutes of a
#     session of 90), receivers of different sessions never overlap: so
#     sessions x R(R-1)/2 observations;
#   - the JSON report has the promised fields and types, every time-network
#     lists its kept rows first, numbered from 1, by level outward from the
#     control (unreached last);
#   - the project written by --output runs through `minimise` to the same
#     rejections, and the maps and the CSV are written;
#   - the GeoJSON layers open in ogrinfo as one layer each, one feature per
#     station, per baseline observed (station pairs of the plan rows) and per
#     observation, with their fixed properties;
#   - --session shows one session: its R(R-1)/2 observations only.
#
#   cmake -DTOOL=min_lumo [-DEMULATOR=...] -DSCRATCH=folder -DSTATIONS=n -DDAYS=n
#         -DSESSIONS=n -DRECEIVERS=n -DSEED=n -DOGRINFO=ogrinfo -P plan_generated_campaign.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../../cmake/geojson_checks.cmake)
foreach(variable TOOL SCRATCH STATIONS DAYS SESSIONS RECEIVERS SEED)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "plan_generated_campaign.cmake needs -D${variable}=...")
    endif()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")

function(run_tool result_output)
    execute_process(COMMAND ${EMULATOR} "${TOOL}" ${ARGN}
        RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT status STREQUAL "0")
        message(FATAL_ERROR "min_lumo ${ARGV1} ...: exit status ${status}\n${errors}")
    endif()
    set(${result_output} "${output}" PARENT_SCOPE)
endfunction()

function(expect condition_text)
    if(NOT ${ARGN})
        message(FATAL_ERROR "${condition_text}")
    endif()
endfunction()

# Fields of one JSON object and the types they must have.
function(expect_fields object where)
    set(pairs ${ARGN})
    list(LENGTH pairs count)
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last} 2)
        math(EXPR t "${i} + 1")
        list(GET pairs ${i} field)
        list(GET pairs ${t} wanted)
        string(JSON type ERROR_VARIABLE missing TYPE "${object}" ${field})
        if(missing)
            message(FATAL_ERROR "${where}: no field ${field}")
        endif()
        if(NOT type STREQUAL wanted)
            message(FATAL_ERROR "${where}: ${field} is ${type}, not ${wanted}")
        endif()
    endforeach()
endfunction()

run_tool(ignored generate rinex --stations ${STATIONS} --days ${DAYS} --sessions ${SESSIONS}
         --receivers ${RECEIVERS} --seed ${SEED} --output-dir "${SCRATCH}/files")
file(GLOB files "${SCRATCH}/files/*.rnx")
list(LENGTH files file_count)
math(EXPR expected_files "${DAYS} * ${SESSIONS} * ${RECEIVERS}")
expect("${file_count} files written, expected ${expected_files}" file_count EQUAL expected_files)

set(markers "")
foreach(file ${files})
    get_filename_component(name "${file}" NAME)
    string(SUBSTRING "${name}" 0 4 marker)
    list(APPEND markers ${marker})
endforeach()
list(REMOVE_DUPLICATES markers)
list(SORT markers)
list(LENGTH markers expected_stations)
list(GET markers 0 control)
math(EXPR expected_observations "${DAYS} * ${SESSIONS} * ${RECEIVERS} * (${RECEIVERS} - 1) / 2")

run_tool(report plan ${files} --control ${control} --json --output "${SCRATCH}/project.json"
         --csv "${SCRATCH}/plan.csv" --svg "${SCRATCH}/plan.svg" --geojson "${SCRATCH}/geojson")
foreach(written project.json plan.csv plan.svg geojson/stations.geojson)
    expect("${written} was not written" EXISTS "${SCRATCH}/${written}")
endforeach()

string(JSON station_count LENGTH "${report}" stations)
string(JSON occupation_count LENGTH "${report}" occupations)
string(JSON row_count LENGTH "${report}" plan)
expect("${station_count} stations, expected ${expected_stations}" station_count EQUAL expected_stations)
expect("${occupation_count} occupations, expected ${file_count}" occupation_count EQUAL file_count)
expect("${row_count} plan rows, expected ${expected_observations}" row_count EQUAL expected_observations)
string(JSON warnings_type TYPE "${report}" warnings)
expect("warnings is ${warnings_type}, not an array" warnings_type STREQUAL "ARRAY")

set(controls 0)
math(EXPR last_station "${station_count} - 1")
foreach(i RANGE 0 ${last_station})
    string(JSON station GET "${report}" stations ${i})
    expect_fields("${station}" "station ${i}" name STRING latitude NUMBER longitude NUMBER height NUMBER
                  control BOOLEAN)
    string(JSON is_control GET "${station}" control)
    if(is_control)
        math(EXPR controls "${controls} + 1")
        string(JSON control_name GET "${station}" name)
        expect("the control is ${control_name}, not ${control}" control_name STREQUAL control)
    endif()
endforeach()
expect("${controls} control stations, expected 1" controls EQUAL 1)

math(EXPR last_occupation "${occupation_count} - 1")
foreach(i RANGE 0 ${last_occupation})
    string(JSON occupation GET "${report}" occupations ${i})
    expect_fields("${occupation}" "occupation ${i}" files ARRAY station STRING first STRING last STRING
                  epochs NUMBER gaps NUMBER receiver STRING antennaHeight NUMBER markerName STRING)
endforeach()

# Times in GPS time, the scale named beside them: ISO 8601 without a zone.
string(JSON time_scale GET "${report}" timeScale)
expect("the report's times are in ${time_scale}, not GPST" time_scale STREQUAL "GPST")
set(iso_time "^[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]T[0-2][0-9]:[0-5][0-9]:[0-6][0-9]$")
set(rejected 0)
set(network -1)
math(EXPR last_row "${row_count} - 1")
foreach(i RANGE 0 ${last_row})
    string(JSON row GET "${report}" plan ${i})
    set(where "plan row ${i}")
    expect_fields("${row}" "${where}" network NUMBER from STRING to STRING start STRING end STRING
                  overlapSeconds NUMBER lengthMetres NUMBER level NUMBER selected BOOLEAN reason STRING)
    string(JSON row_network GET "${row}" network)
    string(JSON selected GET "${row}" selected)
    string(JSON level GET "${row}" level)
    string(JSON start GET "${row}" start)
    string(JSON overlap GET "${row}" overlapSeconds)
    expect("${where}: start ${start} is no ISO 8601 GPS time" start MATCHES "${iso_time}")
    expect("${where}: overlap of ${overlap} s, not over 15 minutes" overlap GREATER 900)
    if(NOT row_network EQUAL network)
        expect("${where}: network ${row_network} after ${network}" row_network GREATER network)
        set(network ${row_network})
        set(expected_order 0)
        set(last_level -1)
        set(redundant_seen FALSE)
    endif()
    if(selected)
        expect("${where}: a kept row after a redundant one" redundant_seen STREQUAL "FALSE")
        math(EXPR expected_order "${expected_order} + 1")
        string(JSON order GET "${row}" order)
        expect("${where}: order ${order}, expected ${expected_order}" order EQUAL expected_order)
        # Unreached (-1) comes after every level.
        if(level EQUAL -1)
            set(level 1000000000)
        endif()
        expect("${where}: level ${level} after ${last_level}" level GREATER_EQUAL last_level)
        set(last_level ${level})
    else()
        set(redundant_seen TRUE)
        math(EXPR rejected "${rejected} + 1")
        string(JSON reason GET "${row}" reason)
        expect("${where}: reason '${reason}'" reason MATCHES "^rejected: ")
    endif()
endforeach()

# The GeoJSON layers: one feature per station, per observed station pair
# and per plan row.
set(pairs "")
foreach(i RANGE 0 ${last_row})
    string(JSON from GET "${report}" plan ${i} from)
    string(JSON to GET "${report}" plan ${i} to)
    if(from STRLESS to)
        list(APPEND pairs "${from}-${to}")
    else()
        list(APPEND pairs "${to}-${from}")
    endif()
endforeach()
list(REMOVE_DUPLICATES pairs)
list(LENGTH pairs expected_baselines)
min_lumo_check_geojson(FOLDER "${SCRATCH}/geojson" OGRINFO "${OGRINFO}" STATIONS ${expected_stations}
                       BASELINES ${expected_baselines} OBSERVATIONS ${expected_observations})

# One session shown: its receivers in all pairs, in every output.
string(JSON first_session GET "${report}" plan 0 session)
math(EXPR session_observations "${RECEIVERS} * (${RECEIVERS} - 1) / 2")
run_tool(one_session plan ${files} --control ${control} --json --session ${first_session}
         --csv "${SCRATCH}/session.csv")
string(JSON session_rows LENGTH "${one_session}" plan)
expect("--session ${first_session}: ${session_rows} plan rows, expected ${session_observations}"
       session_rows EQUAL session_observations)
string(JSON session_stations LENGTH "${one_session}" stations)
expect("--session ${first_session}: ${session_stations} stations, expected ${RECEIVERS}"
       session_stations EQUAL RECEIVERS)
file(STRINGS "${SCRATCH}/session.csv" csv_lines)
list(LENGTH csv_lines csv_line_count)
math(EXPR expected_csv_lines "${session_observations} + 1")
expect("--session ${first_session}: ${csv_line_count} CSV lines, expected ${expected_csv_lines}"
       csv_line_count EQUAL expected_csv_lines)

# The formed project runs through `minimise` to the same rejections.
run_tool(minimised minimise --json "${SCRATCH}/project.json")
string(JSON minimised_rejected LENGTH "${minimised}" rejected)
expect("minimise rejects ${minimised_rejected} of the written project, the plan ${rejected}"
       minimised_rejected EQUAL rejected)

file(REMOVE_RECURSE "${SCRATCH}")
message(STATUS "generated campaign: ${file_count} files, ${station_count} stations, ${row_count} observations, "
               "${rejected} redundant; the plan holds")
