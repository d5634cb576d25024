# The coverage target's work (quon_coverage.cmake): the counters zeroed, the
# tests run, the report written whether they pass or not, then their result.
#   cmake -DSOURCE=DIR -DBINARY=DIR -DGCOVR=PROGRAM -DCTEST=PROGRAM -P quon_coverage_run.cmake
file(GLOB_RECURSE counters ${BINARY}/*.gcda)
if(counters)
  file(REMOVE ${counters})
endif()
execute_process(COMMAND ${CTEST} --test-dir ${BINARY} --output-on-failure RESULT_VARIABLE tests)
file(REMOVE_RECURSE ${BINARY}/coverage)
file(MAKE_DIRECTORY ${BINARY}/coverage)
# Run from the project's folder: gcovr reads relative filters from there.
execute_process(COMMAND ${GCOVR} --root ${SOURCE} --object-directory ${BINARY} --exclude tests/ --exclude build/
                        --html-details ${BINARY}/coverage/index.html --print-summary
                WORKING_DIRECTORY ${SOURCE} RESULT_VARIABLE report)
if(NOT report EQUAL 0)
  message(FATAL_ERROR "gcovr failed (${report}): no report")
endif()
message(STATUS "coverage report: ${BINARY}/coverage/index.html")
if(NOT tests EQUAL 0)
  message(FATAL_ERROR "the project's tests failed (the report shows what they reached)")
endif()
