# systemd-analyze --user verify on the daily change's units: it must say
# nothing at all, since keys it does not know are only warned of.
#   cmake -DANALYZE=... -DSERVICE=... -DTIMER=... -P check-units.cmake
execute_process(COMMAND ${ANALYZE} --user verify ${SERVICE} ${TIMER}
                OUTPUT_VARIABLE said ERROR_VARIABLE said RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT said STREQUAL "")
    message(FATAL_ERROR "systemd-analyze verify (${result}): ${said}")
endif()
