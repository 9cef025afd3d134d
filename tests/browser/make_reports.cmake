# Writes the reports and maps the browser tests open, with the plan's JSON
# report beside each (the tests take what must be seen from it):
#   generated.*   a generated campaign of RINEX files (3 sessions a day, 2 days,
#                 and a day of field faults), checked against the basic profile
#   real.*        a real Compact RINEX file planned with a log of two receivers,
#                 checked against the basic profile
#   hostile.*     station names holding <, &, quotes and </script>, checked
#                 against a profile whose name, title and a source hold them too
#   no_positions.*, one_positioned.*   maps with nothing or one station to place
#   thousand.*    1,000 stations from an occupation log: 111 sessions of 10
#                 stations on a 25 x 40 grid, each session sharing a station
#                 with the one before
#   generated_redundant.svg   the same map with --show-redundant
#   adjust.*      the adjustment of the real four-station campaign's vectors
#
#   cmake -DTOOL=min_lumo -DOUT=folder -DDATA=tests/browser/data -DPLAN_DATA=tool/field/tests/data
#         -DPROFILES=tool/plan/standards -DADJUST_DATA=tool/adjust/tests/data -P make_reports.cmake
foreach(variable TOOL OUT DATA PLAN_DATA PROFILES ADJUST_DATA)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "make_reports.cmake needs -D${variable}=...")
    endif()
endforeach()
if(DEFINED MODULES AND NOT EXISTS "${MODULES}/playwright-core")
    message(FATAL_ERROR "the browser tests need playwright-core: run  npm ci --prefix tests/browser")
endif()
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")

function(run_tool)
    execute_process(COMMAND "${TOOL}" ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
    if(NOT status STREQUAL "0")
        message(FATAL_ERROR "min_lumo ${ARGV0} ...: exit status ${status}\n${errors}")
    endif()
    set(last_output "${output}" PARENT_SCOPE)
    set(last_errors "${errors}" PARENT_SCOPE)
endfunction()

function(plan name)
    run_tool(plan ${ARGN} --json --svg "${OUT}/${name}.svg" --html "${OUT}/${name}.html")
    file(WRITE "${OUT}/${name}.json" "${last_output}")
    set(last_errors "${last_errors}" PARENT_SCOPE)
endfunction()

run_tool(generate rinex --stations 12 --days 2 --sessions 3 --receivers 5 --seed 7 --field-faults
         --output-dir "${OUT}/files")
# The first days hang on A000, the day of field faults on its reference REF1.
plan(generated "${OUT}/files" --control A000 --control REF1 --standard)
run_tool(plan "${OUT}/files" --control A000 --control REF1 --standard --svg "${OUT}/generated_redundant.svg"
         --show-redundant)

plan(real "${PLAN_DATA}/P43300USA_R_20190012056_17M_15S_MO.crx" "${PLAN_DATA}/p433_neighbours.csv" --control P433
     --standard)
# The basic profile under a name, title and source that HTML and SVG must
# show as text; every rule the shipped profile has stays.
file(READ "${PROFILES}/basic.json" profile)
string(JSON profile SET "${profile}" name [=["<i>N</i> & \"Q\" 'A' </script><!--"]=])
string(JSON profile SET "${profile}" title [=["title <b>T</b> & </script>"]=])
string(JSON profile SET "${profile}" rules occupations source [=["source <u>S</u> & \"quoted\""]=])
file(WRITE "${OUT}/hostile_profile.json" "${profile}")
plan(hostile "${DATA}/hostile_names.csv" --control A&B --standard "${OUT}/hostile_profile.json")
plan(one_positioned "${DATA}/one_positioned.csv")
# A log of 1,000 stations, 8 two-hour sessions a day from 2024-05-01.
set(log "station,start,end,latitude,longitude,height\n")
foreach(session RANGE 0 110)
    math(EXPR day "${session} / 8 + 1")
    math(EXPR hour "${session} % 8 * 3")
    math(EXPR end_hour "${hour} + 2")
    foreach(number day hour end_hour)
        if(${number} LESS 10)
            set(${number} "0${${number}}")
        endif()
    endforeach()
    foreach(offset RANGE 0 9)
        math(EXPR station "${session} * 9 + ${offset}")
        math(EXPR row "${station} / 40")
        math(EXPR column "${station} % 40")
        # 0.01 degrees of latitude (1.1 km) by 0.015 of longitude (1.1 km at 47 N).
        math(EXPR latitude_hundredths "4700 + ${row}")
        math(EXPR longitude_thousandths "8000 + ${column} * 15")
        string(REGEX REPLACE "([0-9][0-9])$" ".\\1" latitude "${latitude_hundredths}")
        string(REGEX REPLACE "([0-9][0-9][0-9])$" ".\\1" longitude "${longitude_thousandths}")
        set(name "${station}")
        string(LENGTH "${name}" digits)
        while(digits LESS 4)
            set(name "0${name}")
            string(LENGTH "${name}" digits)
        endwhile()
        string(APPEND log "T${name},2024-05-${day}T${hour}:00:00Z,2024-05-${day}T${end_hour}:00:00Z,"
                          "${latitude},${longitude},500.0\n")
    endforeach()
endforeach()
file(WRITE "${OUT}/thousand_stations.csv" "${log}")
plan(thousand "${OUT}/thousand_stations.csv" --control T0000)

plan(no_positions "${DATA}/no_positions.csv")
if(NOT last_errors MATCHES "warning: No station has a position")
    message(FATAL_ERROR "no_positions: standard error does not say that no station has a position:\n${last_errors}")
endif()
run_tool(adjust "${ADJUST_DATA}/catalonia2010_vectors.csv" --control GARRAF
         --control-coordinates "${ADJUST_DATA}/catalonia2010_controls.csv" --json --html "${OUT}/adjust.html")
file(WRITE "${OUT}/adjust.json" "${last_output}")
message(STATUS "browser test reports written to ${OUT}")
