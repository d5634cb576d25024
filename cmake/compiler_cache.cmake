# Compiles through ccache when the machine has it (scripts/setup.sh installs
# it) and no launcher is set already. Paths are hashed relative to the source
# tree and without the build folder, so a copy of the tree built elsewhere
# (the new-panel round trip, a second clone) reuses what this one compiled.
# QUON_COMPILER_CACHE=OFF compiles directly, as does a machine where ccache
# cannot write its cache (a compile through it is tried first).
option(QUON_COMPILER_CACHE "Compile through ccache when it is installed" ON)
if(NOT QUON_COMPILER_CACHE OR CMAKE_CXX_COMPILER_LAUNCHER OR CMAKE_C_COMPILER_LAUNCHER)
  return()
endif()
find_program(QUON_CCACHE_PROGRAM ccache)
if(NOT QUON_CCACHE_PROGRAM)
  return()
endif()
set(launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1 ${QUON_CCACHE_PROGRAM})
set(probe ${CMAKE_BINARY_DIR}/CMakeFiles/compiler_cache_probe.c)
file(WRITE ${probe} "int compiler_cache_probe(void) { return 0; }\n")
execute_process(COMMAND ${launcher} ${CMAKE_C_COMPILER} -c ${probe} -o ${probe}.o
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE why)
if(NOT status EQUAL 0)
  string(STRIP "${why}" why)
  message(STATUS "ccache cannot be used here, compiling directly: ${why}")
  return()
endif()
set(CMAKE_CXX_COMPILER_LAUNCHER ${launcher})
set(CMAKE_C_COMPILER_LAUNCHER ${launcher})
