# Runs one program and checks both its exit code and its output, which a
# plain CTest property cannot do together.
#   -DCOMMAND=prog|arg|...   the command, fields separated by "|"
#   -DEXIT=N                 the exit code it must give
#   -DMATCH=regex            a pattern its standard output and error must hold
#   -DWORKDIR=dir            optional: run there, in a directory emptied first
#   -DCOPY=a|b               optional: files copied into WORKDIR before the run
#   -DCREATES=a|b            optional: files (relative to WORKDIR) the run must write
#   -DREPLAY=file            optional: a saved case; the arguments of its
#                            "# replay: panel_host ..." line follow COMMAND
string(REPLACE "|" ";" command "${COMMAND}")
if(REPLAY)
  file(STRINGS "${REPLAY}" replay REGEX "^# replay: panel_host ")
  if(NOT replay)
    message(FATAL_ERROR "${REPLAY} has no replay line")
  endif()
  string(REGEX REPLACE "^# replay: panel_host " "" replay "${replay}")
  separate_arguments(replay UNIX_COMMAND "${replay}")
  list(REMOVE_ITEM command "") # no ARGS: the command line ends at the program
  list(APPEND command ${replay})
endif()
set(where "")
if(WORKDIR)
  file(REMOVE_RECURSE "${WORKDIR}")
  file(MAKE_DIRECTORY "${WORKDIR}")
  string(REPLACE "|" ";" copies "${COPY}")
  file(COPY ${copies} DESTINATION "${WORKDIR}")
  set(where WORKING_DIRECTORY "${WORKDIR}")
endif()
execute_process(COMMAND ${command} ${where} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(NOT rc STREQUAL "${EXIT}")
  message("${all}")
  message(FATAL_ERROR "exit status ${rc}, expected ${EXIT}")
endif()
if(NOT all MATCHES "${MATCH}")
  message("${all}")
  message(FATAL_ERROR "output does not match: ${MATCH}")
endif()
string(REPLACE "|" ";" created "${CREATES}")
foreach(file ${created})
  if(NOT EXISTS "${WORKDIR}/${file}")
    message("${all}")
    message(FATAL_ERROR "the run did not write ${file}")
  endif()
endforeach()
