# Tests of Windows binaries, run under wine.
#
# Every wine program of a build runs through cmake/wine_run.sh in a prefix of
# that build's own (QUON_WINEPREFIX, under the build directory) with a wine
# server of its own, so two test runs, or a test run and a demo, never touch
# each other. The emulator set here replaces the toolchain's plain `wine` for
# every target made after this file is included.
#
# quon_add_wine_test(NAME name CLOSING_LINE regex [NATIVE_TOO] COMMAND program [args...])
# Under wine the test passes only when the program exits 0 AND the last
# non-empty line of its standard output matches `regex` (extended regex): a
# program killed from outside can exit 0 with its output cut, and then fails.
# `program` may be a target. In a native build this is a plain add_test, or
# with NATIVE_TOO judged the same way (cmake/closing_line.sh): for programs
# that run foreign code which may end the process early with status 0.
if(CMAKE_CROSSCOMPILING)
  # Cached so that scripts/demo.sh finds it in the build it is given.
  set(QUON_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE INTERNAL "wine prefix of this build")
  set(CMAKE_CROSSCOMPILING_EMULATOR /bin/bash ${CMAKE_CURRENT_LIST_DIR}/wine_run.sh ${QUON_WINEPREFIX})
endif()

# GoogleTest's closing line when no test failed: its PASSED count, or the
# list of skipped tests that follows it (names alone; the line of a test
# skipped while running ends in its time), or the disabled-tests note.
set(QUON_GTEST_CLOSING_LINE
    "^\\[  PASSED  \\] [0-9]+ tests?\\.$|^\\[  SKIPPED \\] [A-Za-z0-9_/.]+$|^  YOU HAVE [0-9]+ DISABLED TESTS?$")

set(_quon_closing_line_sh ${CMAKE_CURRENT_LIST_DIR}/closing_line.sh)

function(quon_add_wine_test)
  cmake_parse_arguments(ARG "NATIVE_TOO" "NAME;CLOSING_LINE" "COMMAND" ${ARGN})
  if(NOT ARG_NAME OR NOT ARG_CLOSING_LINE OR NOT ARG_COMMAND)
    message(FATAL_ERROR "quon_add_wine_test needs NAME, CLOSING_LINE and COMMAND")
  endif()
  list(POP_FRONT ARG_COMMAND program)
  if(TARGET ${program}) # imported and alias targets too (an installed panel_host)
    set(program $<TARGET_FILE:${program}>)
  endif()
  if(NOT CMAKE_CROSSCOMPILING AND ARG_NATIVE_TOO)
    add_test(NAME ${ARG_NAME}
             COMMAND /bin/bash ${_quon_closing_line_sh} ${ARG_CLOSING_LINE} ${program} ${ARG_COMMAND})
    return()
  elseif(NOT CMAKE_CROSSCOMPILING)
    add_test(NAME ${ARG_NAME} COMMAND ${program} ${ARG_COMMAND})
    return()
  endif()
  add_test(NAME ${ARG_NAME}
           COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --closing-line ${ARG_CLOSING_LINE} ${program} ${ARG_COMMAND})
endfunction()
