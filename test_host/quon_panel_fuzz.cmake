# _quon_panel_fuzz(NAME): quon_add_panel's FUZZ part, in the fuzz build
# (QUON_FUZZ, Clang). Its events use the devices of DEVICES and the names and
# values of the controls, properties and timers in SCENARIOS, in the hints
# file beside DEVICES and in the string literals of SOURCES, which its test
# also gives libFuzzer as a dictionary.
# fuzz_NAME compiles the panel's sources again, with the fuzzer's coverage
# and the sanitizers, around quon_panel_fuzz.cpp, and the SDK's framework and
# string sources with them: the installed libraries are plain builds, whose
# comparisons (a property's name, a value) libFuzzer would not see. The
# library NAME itself stays a plain build, which panel_host loads to replay
# and cut what the fuzzer finds. Its test runs quon_panel_fuzz_run.cmake.
# _quon_absolute_joined(VAR paths...): the paths made absolute, joined by "|"
# (a list the fuzz target's compile definitions carry as one text).
function(_quon_absolute_joined var)
  set(paths "")
  foreach(path ${ARGN})
    get_filename_component(path ${path} ABSOLUTE)
    list(APPEND paths ${path})
  endforeach()
  string(JOIN "|" joined ${paths})
  set(${var} "${joined}" PARENT_SCOPE)
endfunction()

function(_quon_panel_fuzz name)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "quon_add_panel(${name} FUZZ): the fuzz build needs Clang (use the fuzz preset)")
  endif()
  _quon_panel_argument(FUZZ_SECONDS 30 "^[1-9][0-9]*$" "a number of seconds")
  include(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/quon_gtest.cmake OPTIONAL RESULT_VARIABLE found)
  if(NOT found)
    include(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../cmake/quon_gtest.cmake) # this project's tree
  endif()
  set(devices "")
  if(DEFINED ARG_DEVICES)
    get_filename_component(devices ${ARG_DEVICES} ABSOLUTE)
  endif()
  _quon_absolute_joined(scenarios ${ARG_SCENARIOS})
  _quon_absolute_joined(sources ${ARG_SOURCES})
  _quon_panel_hints(hints)
  # Compiled before the libraries are searched: their plain objects are never taken.
  file(GLOB sdk_sources ${QUON_SDK_SOURCES_DIR}/string/*.cpp ${QUON_SDK_SOURCES_DIR}/script_helper/*.cpp)
  list(FILTER sdk_sources EXCLUDE REGEX "/panel_runtime[.]cpp$")
  set(target fuzz_${name})
  # The memory a fuzzed panel may hold: the fuzzer's bound, and its saved
  # out-of-memory case's replay bound.
  set(memory_mb 2048)
  add_executable(${target} ${QUON_PANEL_FUZZ_DIR}/quon_panel_fuzz.cpp ${ARG_SOURCES} ${sdk_sources})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${QUON_PANEL_FUZZ_DIR})
  # The test host fails a GoogleTest test only when no onFault is set: its
  # header needs GoogleTest's library, which the target links but never runs.
  target_link_libraries(${target} PRIVATE quon::script_helper quon::test_host quon_gtest)
  target_compile_definitions(${target} PRIVATE QUON_FUZZ_PANEL="${name}" QUON_FUZZ_DEVICES="${devices}"
                                               QUON_FUZZ_SCENARIOS="${scenarios}" QUON_FUZZ_HINTS="${hints}"
                                               QUON_FUZZ_SOURCES="${sources}" QUON_FUZZ_MEMORY_MB=${memory_mb}
                                               QUON_FUZZ_LIBRARY="$<TARGET_FILE:${name}>")
  set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link ${sanitizers} -g)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer ${sanitizers})
  quon_warnings(${target})
  add_dependencies(${target} ${name}) # the library the cut replays
  if(NOT TARGET fuzzers)
    add_custom_target(fuzzers)
  endif()
  add_dependencies(fuzzers ${target})

  # The cut needs panel_host only once a fault is found: the installed one,
  # or in the tree that builds it, one built on demand (not with the target:
  # a fuzz build of the whole host for a cut that passing runs never make).
  set(host "")
  if(TARGET quon::panel_host)
    set(host "-DPANEL_HOST=$<TARGET_FILE:quon::panel_host>")
  endif()
  add_test(NAME ${target}
           COMMAND ${CMAKE_COMMAND} "-DFUZZER=$<TARGET_FILE:${target}>" "-DLIBRARY=$<TARGET_FILE:${name}>" ${host}
                   -DSECONDS=${ARG_FUZZ_SECONDS} -DMEMORY_MB=${memory_mb} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/fuzz_work/${name}
                   -DFAILURES=${CMAKE_CURRENT_BINARY_DIR}/fuzz_failures/${name}
                   -P ${QUON_PANEL_FUZZ_DIR}/quon_panel_fuzz_run.cmake)
  # The run, then a cut of a few hundred replays at most.
  math(EXPR timeout "${ARG_FUZZ_SECONDS} + 600")
  set_tests_properties(${target} PROPERTIES COST ${ARG_FUZZ_SECONDS} TIMEOUT ${timeout})
endfunction()
