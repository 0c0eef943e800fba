# cmake -DPROGRAM=... -DPAGE=out.1 -DHELP2MAN=... -DGZIP=... -P ManualPage.cmake
# The manual page of one program from its --help and --version, compressed as Debian wants it
# (no name or time stamp in the gzip header, so the same page gives the same bytes).
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed")
endif()
# The second line of the help is the summary: the page's NAME line, without its full stop.
string(REGEX MATCH "^[^\n]*\n([^\n]*)\\." line "${help}")
set(summary "${CMAKE_MATCH_1}")
string(SUBSTRING "${summary}" 0 1 first)
string(SUBSTRING "${summary}" 1 -1 rest)
string(TOLOWER "${first}" first)
execute_process(COMMAND ${HELP2MAN} --no-info --section=1 --name=${first}${rest} --output=${PAGE} ${PROGRAM}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man failed on ${PROGRAM}")
endif()
execute_process(COMMAND ${GZIP} -9nf ${PAGE} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${PAGE}")
endif()
