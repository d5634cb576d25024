# Runs the Microsoft-ABI host on kivren.dll with wine's debugger channel on
# and checks that the start-up debug text appears on stderr.
# cmake -DHOST=msabi_host.exe -DLIBRARY=kivren.dll -DEXPECTED=text -P check_debug_text.cmake
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=-all,+debugstr wine ${HOST} kivren ${LIBRARY}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "host failed (${result}):\n${out}\n${err}")
endif()
string(FIND "${err}" "OutputDebugStringA \"${EXPECTED}\"" at)
if(at EQUAL -1)
  message(FATAL_ERROR "debug text \"${EXPECTED}\" not on stderr:\n${err}")
endif()
message(STATUS "debug text \"${EXPECTED}\" seen")
