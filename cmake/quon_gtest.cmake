# GoogleTest for both builds: quon_gtest and quon_gtest_main. Natively the
# system's; in the cross build Debian's sources, built with the cross
# compiler (gmock brings gtest along). Included once per build, by this
# project's tests or by quon_add_panel(... TESTS ...) in a panel's own project.
if(TARGET quon_gtest_main)
  return()
endif()
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  add_library(quon_gtest INTERFACE)
  target_link_libraries(quon_gtest INTERFACE gtest gmock)
  add_library(quon_gtest_main INTERFACE)
  target_link_libraries(quon_gtest_main INTERFACE gtest_main gmock)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_library(quon_gtest INTERFACE)
  target_link_libraries(quon_gtest INTERFACE GTest::gtest GTest::gmock)
  add_library(quon_gtest_main INTERFACE)
  target_link_libraries(quon_gtest_main INTERFACE GTest::gtest_main GTest::gmock)
endif()

# quon_add_test(NAME SOURCES... [LIBS libs...] [TEST_PREFIX text])
# Natively every test case is its own CTest test, its name preceded by
# TEST_PREFIX when given. Under wine each process
# costs seconds to start, so there a binary is one CTest test, which passes
# only on GoogleTest's closing summary.
# Either way a test program that ends before GoogleTest has finished (code
# under test calling exit(0)) fails: under wine its summary is missing,
# natively gtest_run.sh finds GoogleTest's premature-exit file left behind.
function(quon_add_test name)
  cmake_parse_arguments(ARG "" "TEST_PREFIX" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} quon_gtest_main)
  quon_warnings(${name})
  if(CMAKE_CROSSCOMPILING)
    quon_add_wine_test(NAME ${name} CLOSING_LINE ${QUON_GTEST_CLOSING_LINE} COMMAND ${name})
  else()
    # gtest_discover_tests runs the program (listing and each case) through
    # the target's launcher: TEST_LAUNCHER from CMake 3.29, before that the
    # emulator property, which those versions use natively too.
    set(launcher /bin/bash ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/gtest_run.sh)
    if(CMAKE_VERSION VERSION_GREATER_EQUAL 3.29)
      set_target_properties(${name} PROPERTIES TEST_LAUNCHER "${launcher}")
    else()
      set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${launcher}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${ARG_TEST_PREFIX}")
  endif()
endfunction()
