# quon_coverage: the coverage preset of a panel's project (QUON_COVERAGE).
# The project's own sources are built with gcov's counters, and the target
# "coverage" builds everything, runs the project's tests (unit tests,
# scenarios, validate) and writes with gcovr an HTML report of the lines of
# the project's sources, its tests left out, that they reached:
# build/coverage/coverage/index.html. The SDK's libraries are not counted.
find_program(QUON_GCOVR gcovr)
if(NOT QUON_GCOVR)
  message(FATAL_ERROR "the coverage preset needs gcovr (on Debian: apt-get install gcovr)")
endif()
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  message(FATAL_ERROR "the coverage preset needs GCC, whose counters gcovr reads; this is ${CMAKE_CXX_COMPILER_ID}")
endif()
# Atomic counters: validate plays panels on several threads at once, and
# counters updated in a race disagree, so that gcov derives negative counts
# ("branch 31 taken -1") and gcovr refuses the whole report.
add_compile_options(--coverage -fprofile-update=atomic -O0)
add_link_options(--coverage)

# After the project's CMakeLists.txt: the report depends on all its targets.
function(_quon_coverage_target)
  get_property(targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  add_custom_target(coverage
    COMMAND ${CMAKE_COMMAND} -DSOURCE=${CMAKE_SOURCE_DIR} -DBINARY=${CMAKE_BINARY_DIR} -DGCOVR=${QUON_GCOVR}
            -DCTEST=${CMAKE_CTEST_COMMAND} -P ${_quon_coverage_dir}/quon_coverage_run.cmake
    COMMENT "The panel's tests, then the coverage report into ${CMAKE_BINARY_DIR}/coverage/index.html"
    USES_TERMINAL VERBATIM)
  if(targets)
    add_dependencies(coverage ${targets})
  endif()
endfunction()
set(_quon_coverage_dir ${CMAKE_CURRENT_LIST_DIR})
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _quon_coverage_target)
