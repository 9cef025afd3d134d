# `minimise` and `orient` write the sample's GeoJSON layers in the plan's
# scheme: the sample project holds 12 stations, 41 baselines and 50
# observations (counted in examples/sample_campaign.json), so the layers hold
# as many features, each kind with its fixed properties.
#
#   cmake -DTOOL=min_lumo -DSAMPLE=project.json -DSCRATCH=folder -DOGRINFO=ogrinfo -P sample_geojson.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/geojson_checks.cmake)
file(REMOVE_RECURSE "${SCRATCH}")
foreach(command minimise orient)
    execute_process(COMMAND ${EMULATOR} "${TOOL}" ${command} "${SAMPLE}" --geojson "${SCRATCH}/${command}"
        RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
    if(NOT status STREQUAL "0")
        message(FATAL_ERROR "min_lumo ${command}: exit status ${status}\n${errors}")
    endif()
    min_lumo_check_geojson(FOLDER "${SCRATCH}/${command}" OGRINFO "${OGRINFO}" STATIONS 12 BASELINES 41
                           OBSERVATIONS 50)
endforeach()
# minimise knows the reasons and the scores, orient the levels.
file(READ "${SCRATCH}/minimise/observations.geojson" minimised)
string(JSON reason GET "${minimised}" features 0 properties reason)
if(NOT reason MATCHES "^(kept|rejected|excluded)")
    message(FATAL_ERROR "minimise: the first observation's reason is '${reason}'")
endif()
file(READ "${SCRATCH}/orient/stations.geojson" oriented)
string(JSON level TYPE "${oriented}" features 0 properties level)
if(NOT level STREQUAL "NUMBER")
    message(FATAL_ERROR "orient: the first station's level is ${level}")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
