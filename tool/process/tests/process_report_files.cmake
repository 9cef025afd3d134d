# Writes the report of a processed network for the browser test: the JSON
# and the HTML of one run with the stand-in engine, one vector float and
# far off (so that loops fail and it is the suspect), one not processed.
#   cmake -DTOOL=... -DENGINE=... -DDATA=... -DOUT=... -P process_report_files.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
file(WRITE "${OUT}/script.txt"
    "upc1077f33 mata077f33 vector 12177.5 -26008.8 -12539.8 2 5 0.01 0.01 0.01 0 0 0 1.8\n"
    "upc2077f00 garr077f00 fail 1 error : no obs data\n")
file(WRITE "${OUT}/standin.conf" "standin-script = ${OUT}/script.txt\n")
execute_process(
    COMMAND "${TOOL}" process catalonia2010_halves catalonia2010/garr077c.10o.gz catalonia2010/mata077c.10o.gz
            catalonia2010/brdc0770.10n.gz --control GARRAF --engine "${ENGINE}" --engine-options "${OUT}/standin.conf"
            --json --html "${OUT}/processed.html"
    WORKING_DIRECTORY "${DATA}"
    RESULT_VARIABLE status OUTPUT_FILE "${OUT}/processed.json" ERROR_VARIABLE errors)
if(NOT status EQUAL 1 OR NOT EXISTS "${OUT}/processed.html")
    message(FATAL_ERROR "process: exit status ${status} (1 expected, one vector not processed)\n${errors}")
endif()
