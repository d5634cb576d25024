# Runs one program and checks both its exit code and its output, which a
# plain CTest property cannot do together.
#   -DCOMMAND=prog|arg|...   the command, fields separated by "|"
#   -DEXIT=N                 the exit code it must give
#   -DMATCH=regex            a pattern its standard output and error must hold
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(NOT rc STREQUAL "${EXIT}")
  message("${all}")
  message(FATAL_ERROR "exit status ${rc}, expected ${EXIT}")
endif()
if(NOT all MATCHES "${MATCH}")
  message("${all}")
  message(FATAL_ERROR "output does not match: ${MATCH}")
endif()
