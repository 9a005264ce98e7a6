# Run by ctest with -P: runs PROGRAM with ARGS (a ;-list), then checks its exit status against
# STATUS and its standard error against ERROR_MATCHES, and that it printed no more than LINES
# lines there when LINES is given.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${PROGRAM} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                TIMEOUT 30)
if(NOT status STREQUAL STATUS)
    message(FATAL_ERROR "exit status ${status}, expected ${STATUS}\nstdout: ${out}\nstderr: ${err}")
endif()
if(NOT err MATCHES "${ERROR_MATCHES}")
    message(FATAL_ERROR "standard error does not match '${ERROR_MATCHES}':\n${err}")
endif()
if(DEFINED LINES)
    string(REGEX MATCHALL "\n" breaks "${err}")
    list(LENGTH breaks count)
    if(count GREATER LINES)
        message(FATAL_ERROR "${count} lines on standard error, expected at most ${LINES}:\n${err}")
    endif()
endif()
