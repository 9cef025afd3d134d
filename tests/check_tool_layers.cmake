# The tool's folders depend one way: main.cpp -> commands -> process ->
# adjust -> plan -> output -> run -> project; vectors (the exchange files of
# processed vectors and control coordinates) sits on field alone, and field
# depends on nothing else of the tool; process and adjust may use vectors.  Each may
# include its own folder, those to its right, the host kit, core/ and the
# public header; run also the library's run inspection, which it links to
# show what the exported calls do not report.  Tests in <folder>/tests/ keep
# to their folder's direction; tool/tests/ (the end-to-end runs and the units
# of several folders) to that of the commands.  Fails naming each file that
# includes a folder above its own or beside it, and each file or folder that
# sits in no layer.
#   cmake -DSOURCE_DIR=<project> -P check_tool_layers.cmake
cmake_policy(SET CMP0057 NEW)
set(below_project hostkit core)
set(allowed_field tool/field ${below_project})
set(allowed_project tool/project ${below_project})
set(allowed_run tool/run ${allowed_project} minimise/run_inspection.h)
set(allowed_output tool/output ${allowed_run})
set(allowed_vectors tool/vectors ${allowed_field})
set(allowed_plan tool/plan ${allowed_output} ${allowed_field})
set(allowed_adjust tool/adjust ${allowed_plan} tool/vectors)
set(allowed_process tool/process ${allowed_adjust})
set(allowed_commands tool/commands ${allowed_process})
set(allowed_main ${allowed_commands})
set(allowed_tests ${allowed_commands})
set(layers field vectors project run output plan adjust process commands)

set(violations "")
function(check_includes layer)
    foreach(source ${ARGN})
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
        file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
        foreach(line ${includes})
            string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
            # tool/<folder>/... names the tool's folder; anything else its top folder.
            if(included MATCHES "^tool/([a-z_]+)/")
                set(folder "tool/${CMAKE_MATCH_1}")
            else()
                string(REGEX REPLACE "/.*" "" folder "${included}")
            endif()
            if(NOT folder IN_LIST allowed_${layer} AND NOT included IN_LIST allowed_${layer})
                list(APPEND violations "${shown} (${layer}) includes ${included}")
            endif()
        endforeach()
    endforeach()
    set(violations "${violations}" PARENT_SCOPE)
endfunction()

foreach(layer ${layers})
    file(GLOB_RECURSE sources ${SOURCE_DIR}/tool/${layer}/*.h ${SOURCE_DIR}/tool/${layer}/*.cpp)
    check_includes(${layer} ${sources})
endforeach()
file(GLOB sources ${SOURCE_DIR}/tool/tests/*.h ${SOURCE_DIR}/tool/tests/*.cpp)
check_includes(tests ${sources})
check_includes(main ${SOURCE_DIR}/tool/main.cpp)

# Nothing beside main.cpp outside the layers.
file(GLOB entries RELATIVE ${SOURCE_DIR}/tool ${SOURCE_DIR}/tool/*)
foreach(entry ${entries})
    if(IS_DIRECTORY ${SOURCE_DIR}/tool/${entry})
        if(NOT entry IN_LIST layers AND NOT entry STREQUAL "tests")
            list(APPEND violations "tool/${entry}/ is no layer of the tool")
        endif()
    elseif(entry MATCHES "\\.(h|cpp)$" AND NOT entry STREQUAL "main.cpp")
        list(APPEND violations "tool/${entry} sits in no layer of the tool")
    endif()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "tool folders include a folder above or beside them:\n  ${text}")
endif()
message(STATUS "tool layers: every include points down")
