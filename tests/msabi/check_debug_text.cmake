# Runs the Microsoft-ABI host on kivren.dll with wine's debugger channel on
# and checks that the start-up debug text appears on stderr.
# cmake "-DEMULATOR=wine|..." -DHOST=msabi_host.exe -DLIBRARY=kivren.dll -DEXPECTED=text -P check_debug_text.cmake
string(REPLACE "|" ";" emulator "${EMULATOR}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=-all,+debugstr ${emulator} ${HOST} kivren ${LIBRARY}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
# A host killed halfway can exit 0: only its closing count says it ran through.
if(NOT result EQUAL 0 OR NOT out MATCHES "msabi_host kivren: [1-9][0-9]* checks, 0 failed[\r\n]*$")
  message(FATAL_ERROR "host failed (${result}):\n${out}\n${err}")
endif()
string(FIND "${err}" "OutputDebugStringA \"${EXPECTED}\"" at)
if(at EQUAL -1)
  message(FATAL_ERROR "debug text \"${EXPECTED}\" not on stderr:\n${err}")
endif()
message(STATUS "debug text \"${EXPECTED}\" seen")
