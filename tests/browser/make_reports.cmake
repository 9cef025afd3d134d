# Writes the reports and maps the browser tests open, with the plan's JSON
# report beside each (the tests take what must be seen from it):
#   generated.*   a generated campaign of RINEX files (3 sessions a day, 2 days)
#   real.*        a real Compact RINEX file planned with a log of two receivers
#   hostile.*     station names holding <, &, quotes and </script>
#   no_positions.*, one_positioned.*   maps with nothing or one station to place
#   generated_redundant.svg   the same map with --show-redundant
#
#   cmake -DTOOL=min_lumo -DOUT=folder -DDATA=tests/browser/data -DPLAN_DATA=tool/plan/tests/data -P make_reports.cmake
foreach(variable TOOL OUT DATA PLAN_DATA)
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

run_tool(generate rinex --stations 12 --days 2 --sessions 3 --receivers 5 --seed 7 --output-dir "${OUT}/files")
file(GLOB files "${OUT}/files/*.rnx")
list(GET files 0 first)
get_filename_component(first "${first}" NAME)
string(SUBSTRING "${first}" 0 4 control)
plan(generated ${files} --control ${control})
run_tool(plan ${files} --control ${control} --svg "${OUT}/generated_redundant.svg" --show-redundant)

plan(real "${PLAN_DATA}/P43300USA_R_20190012056_17M_15S_MO.crx" "${PLAN_DATA}/p433_neighbours.csv" --control P433)
plan(hostile "${DATA}/hostile_names.csv" --control A&B)
plan(one_positioned "${DATA}/one_positioned.csv")
plan(no_positions "${DATA}/no_positions.csv")
if(NOT last_errors MATCHES "warning: No station has a position")
    message(FATAL_ERROR "no_positions: standard error does not say that no station has a position:\n${last_errors}")
endif()
message(STATUS "browser test reports written to ${OUT}")
