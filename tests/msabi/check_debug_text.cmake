# Runs the Microsoft-ABI host on kivren.dll with wine's debugger channel on
# and checks that a debug text appears on stderr: by default the start-up
# text of a run that passes, or with DRIVE and STATUS the text of a run that
# must end with that status.
# cmake "-DEMULATOR=wine|..." -DHOST=msabi_host.exe -DLIBRARY=kivren.dll -DEXPECTED=text
#       [-DDRIVE=kind -DSTATUS=n] -P check_debug_text.cmake
string(REPLACE "|" ";" emulator "${EMULATOR}")
if(NOT DEFINED DRIVE)
  set(DRIVE kivren)
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=-all,+debugstr ${emulator} ${HOST} ${DRIVE} ${LIBRARY}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(DEFINED STATUS)
  if(NOT result EQUAL STATUS)
    message(FATAL_ERROR "host ended with ${result}, not ${STATUS}:\n${out}\n${err}")
  endif()
# A host killed halfway can exit 0: only its closing count says it ran through.
elseif(NOT result EQUAL 0 OR NOT out MATCHES "msabi_host kivren: [1-9][0-9]* checks, 0 failed[\r\n]*$")
  message(FATAL_ERROR "host failed (${result}):\n${out}\n${err}")
endif()
string(FIND "${err}" "OutputDebugStringA \"${EXPECTED}\"" at)
if(at EQUAL -1)
  message(FATAL_ERROR "debug text \"${EXPECTED}\" not on stderr:\n${err}")
endif()
message(STATUS "debug text \"${EXPECTED}\" seen")
