# Generates the synthetic RINEX campaign of tool_generate_rinex and compares
# every file's SHA-256 with DIGESTS (lines "digest  name", as sha256sum
# writes them, from the Linux build): the Windows tool under wine must write
# the same bytes.
#   cmake -DTOOL=min_lumo [-DEMULATOR=...] -DSCRATCH=folder -DDIGESTS=file -P generated_file_digests.cmake
foreach(variable TOOL SCRATCH DIGESTS)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "generated_file_digests.cmake needs -D${variable}=...")
    endif()
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(COMMAND ${EMULATOR} "${TOOL}" generate rinex --stations 6 --sessions 2 --receivers 3 --output-dir campaign
    WORKING_DIRECTORY "${SCRATCH}" RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status STREQUAL "0")
    message(FATAL_ERROR "min_lumo generate rinex: exit status ${status}\n${errors}")
endif()
file(GLOB written RELATIVE "${SCRATCH}/campaign" "${SCRATCH}/campaign/*")
list(SORT written)
set(got "")
foreach(name ${written})
    file(SHA256 "${SCRATCH}/campaign/${name}" digest)
    string(APPEND got "${digest}  ${name}\n")
endforeach()
file(READ "${DIGESTS}" wanted)
if(NOT got STREQUAL wanted)
    message(FATAL_ERROR "the generated files differ from ${DIGESTS}:\n${got}")
endif()
