# `process` with the stand-in engine misbehaving on purpose, once per fault:
# exit status 1 (kept observations not processed), every fault named
# against its vector in the report, every line within 120 columns, and the
# outputs written all the same (the report of what happened is what the
# surveyor needs).  Runs in the test data folder, so that it runs the same
# under wine.
#   cmake -DTOOL=... -DENGINE=... [-DEMULATOR=...] -DDATA=... -DSCRATCH=... -P process_faults.cmake
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
file(WRITE "${SCRATCH}/script.txt"
    "upc1077f00 garr077f00 crash\n"
    "upc2077f00 garr077f00 hang\n"
    "upc1077f33 garr077f33 nothing\n"
    "upc2077f33 garr077f33 empty\n"
    "upc1077f00 mata077f00 garbage\n"
    "upc2077f00 mata077f00 fail 3 error : no nav data\n"
    "upc1077f33 mata077f33 vector 12177.4 -26008.8 -12539.8 2 7 0.01 0.01 0.01 0 0 0 1.8\n")
file(WRITE "${SCRATCH}/standin.conf" "standin-script = ${SCRATCH}/script.txt\npos1-elmask = 10\n")
execute_process(
    COMMAND ${EMULATOR} "${TOOL}" process catalonia2010_halves catalonia2010/garr077c.10o.gz
            catalonia2010/mata077c.10o.gz catalonia2010/brdc0770.10n.gz --control GARRAF --engine "${ENGINE}"
            --engine-options "${SCRATCH}/standin.conf" --engine-timeout 3 --jobs 4
            --keep-engine-files "${SCRATCH}/kept" --html "${SCRATCH}/processed.html"
            --vectors-csv "${SCRATCH}/vectors.csv" --gfile "${SCRATCH}/vectors.gfile"
    WORKING_DIRECTORY "${DATA}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
string(REPLACE "\r\n" "\n" output "${output}")
if(NOT status EQUAL 1)
    message(FATAL_ERROR "exit status ${status}, expected 1\nstdout:\n${output}\nstderr:\n${errors}")
endif()
# Wrapped lines read as one.
string(REGEX REPLACE "\n +" " " flat "${output}")
foreach(expected
        "Processed 3 of 9 kept observations: 2 fixed, 1 float, 0 single, 6 not processed"
        "pos1-elmask=10"
        "GARRAF 077B UPC1 1: base 4796983.5767 160309.1177 4187340.3773 from the RINEX header of GARRAF"
        "; the engine crashed ("
        "; the engine did not finish within 3 s and was stopped (--engine-timeout)"
        "; the engine wrote no solution file"
        "; the engine wrote no solution: no epoch of both receivers with navigation data in the window"
        "; the engine wrote a solution the tool cannot read: "
        "; the engine failed (exit status 3) (its last message: error : no nav data)"
        "; float: the ambiguities were not fixed (ratio 1.8)"
        "vector MATA 077C UPC1 2: float with ratio 1.8; required fixed with ratio 3"
        "vector GARRAF 077B UPC1 1: not processed; required fixed with ratio 3")
    string(FIND "${flat}" "${expected}" where)
    if(where EQUAL -1)
        message(FATAL_ERROR "standard output lacks \"${expected}\":\n${output}")
    endif()
endforeach()
string(FIND "${errors}" "min_lumo: 6 of 9 kept observations could not be processed" where)
if(where EQUAL -1)
    message(FATAL_ERROR "standard error lacks the count of vectors not processed:\n${errors}")
endif()
string(FIND "${errors}" "6 vectors not fixed nor float (single or not processed) left out of the exchange files" where)
if(where EQUAL -1)
    message(FATAL_ERROR "standard error lacks the vectors left out of the exchange files:\n${errors}")
endif()
# The exchange files carry the fixed and the float vectors, nothing else.
file(STRINGS "${SCRATCH}/vectors.csv" rows)
list(LENGTH rows count)
if(NOT count EQUAL 4)
    message(FATAL_ERROR "vectors.csv holds ${count} lines, expected the heading and 3 vectors:\n${rows}")
endif()
list(GET rows 2 float)
if(NOT float MATCHES "^MATA,UPC1,077C,12177.4,-26008.8,-12539.8,0.0001,0,0,0.0001,0,0.0001,MATA 077C UPC1 2,float,1.8,")
    message(FATAL_ERROR "the float vector in vectors.csv reads:\n${float}")
endif()
string(REPLACE "\n" ";" lines "${output}")
foreach(line IN LISTS lines)
    string(LENGTH "${line}" width)
    if(width GREATER 120)
        message(FATAL_ERROR "a line of ${width} columns:\n${line}")
    endif()
endforeach()
foreach(kept "processed.html" "vectors.gfile" "kept/00-001_GARRAF_077A_MATA_1.conf" "kept/00-001_GARRAF_077A_MATA_1.pos"
             "kept/01-001_GARRAF_077B_UPC1_1.command.txt")
    if(NOT EXISTS "${SCRATCH}/${kept}")
        message(FATAL_ERROR "${SCRATCH}/${kept} was not written")
    endif()
endforeach()
