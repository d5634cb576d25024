# quon_add_panel(): one call builds a panel script and registers its tests.
#
#   quon_add_panel(NAME
#     SOURCES file...            the panel class and the file with QUON_SCRIPT_FACTORY
#     [VERSION a.b.c.d]          default 1.0.0.0
#     [DESCRIPTION text]         FileDescription; default NAME
#     [COMPANY text]             CompanyName; left out when not given
#     [PRODUCT text]             ProductName; default "QUON V4.5"
#     [COPYRIGHT text]           LegalCopyright; left out when not given
#     [LANGUAGE hhhh]            Windows language id in hex; default 0809, English (United Kingdom)
#     [DEVICES file.devices]     the devices, commands and timers validate plays (--devices); a
#                                hints file beside it (file.hints) names values the panel cares about
#     [SCENARIOS file.scn...]    scenarios the tests play with panel_host run --strict
#     [TESTS file.cpp...]        GoogleTest unit tests of the panel (see quon_test_host.h)
#     [FUZZ [FUZZ_SECONDS S]]    a fuzz target, fuzz_NAME, in the fuzz build (below); S default 30
#     [SOAK [SOAK_DAYS D]])      a soak test, NAME_soak, of D virtual days (default 1; needs DEVICES;
#                                under wine at a tenth of the default rates)
#
# Targets: NAME_objects (the compiled sources), NAME_panel (the same as a
# static library, for tests that drive the class directly) and NAME, the
# library a host loads (NAME.dll, or NAME.so natively). Its only export is the
# factory; the C++ runtime is linked in statically (with the framework's own
# terminate handler, script_helper/panel_runtime.cpp) and the DLL is stripped and
# carries the version resource and manifest made from cmake/panel/.
#
# Tests, every name beginning with NAME: NAME_validate (panel_host validate,
# given the scenarios and the hints file beside DEVICES, when there is one, for
# the values the panel cares about; a fault it finds is saved, cut down, in
# validate_failures/NAME of the build tree),
# NAME_scenario_STEM for each scenario, the unit tests (natively one test per
# case, named NAME_test.Suite.case; under wine NAME_test) and, in the Windows
# build, NAME_dll_check (check_dll.py with the name, version, company and
# language above).
#
# FUZZ: in the fuzz build (QUON_FUZZ with Clang: the fuzz preset) the target
# fuzz_NAME, made of the panel's sources and the SDK's quon_panel_fuzz.cpp
# under libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, plays
# random event sequences on the panel through the test host (its hand-back
# checks on), with the devices of DEVICES and the controls the panel puts.
# Its test, fuzz_NAME, runs it for S seconds (quon_panel_fuzz_run.cmake); a
# fault it finds is saved in the build tree, fuzz_failures/NAME, as a
# scenario cut down by "panel_host cut", and the test fails naming it. Every
# other build, the Windows one included, leaves FUZZ aside.
#
# The same file serves this project's own build and the installed package
# (quonConfig.cmake), where the targets are the package's quon:: ones and
# quon::panel_host is the installed panel_host (panel_host.exe under wine).
set(QUON_PANEL_TEMPLATES ${CMAKE_CURRENT_LIST_DIR}/panel)
set(QUON_PANEL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR}) # quon_panel_fuzz.cpp, quon_panel_fuzz_run.cmake
if(NOT EXISTS ${QUON_PANEL_FUZZ_DIR}/quon_panel_fuzz.cpp)
  set(QUON_PANEL_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR}/../test_host) # this project's tree
endif()
set(QUON_SDK_SOURCES_DIR ${CMAKE_CURRENT_LIST_DIR}/sources) # string/, script_helper/: their .cpp files
if(NOT EXISTS ${QUON_SDK_SOURCES_DIR})
  set(QUON_SDK_SOURCES_DIR ${CMAKE_CURRENT_LIST_DIR}/..) # this project's tree
endif()
set(QUON_CHECK_DLL ${CMAKE_CURRENT_LIST_DIR}/check_dll.py)
if(NOT EXISTS ${QUON_CHECK_DLL})
  set(QUON_CHECK_DLL ${CMAKE_CURRENT_LIST_DIR}/../scripts/check_dll.py) # this project's tree
endif()
find_program(QUON_SYSTEM_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
# A soak under wine plays a tenth of the default rates (timers at their
# periods): there an event costs about ten times what it costs natively, most
# of it the thread's CPU clock, a 32-bit system call. A virtual day of a
# panel then takes seconds, not minutes.
set(QUON_SOAK_WINE_RATES --rate route=30/min --rate gpi=30/min --rate info=18/min --rate press=12/min
    --rate property=6/min)

# _quon_panel_argument(KEYWORD DEFAULT REGEX WHAT): in quon_add_panel's
# scope, ARG_KEYWORD as given or DEFAULT, refused unless it matches REGEX.
macro(_quon_panel_argument keyword default regex what)
  if(NOT DEFINED ARG_${keyword})
    set(ARG_${keyword} ${default})
  endif()
  if(NOT ARG_${keyword} MATCHES "${regex}")
    message(FATAL_ERROR "quon_add_panel(${name}): ${keyword} ${ARG_${keyword}} is not ${what}")
  endif()
endmacro()

function(quon_add_panel name)
  cmake_parse_arguments(ARG "FUZZ;SOAK" "VERSION;DESCRIPTION;COMPANY;PRODUCT;COPYRIGHT;LANGUAGE;DEVICES;FUZZ_SECONDS;SOAK_DAYS"
                        "SOURCES;SCENARIOS;TESTS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_SOURCES)
    message(FATAL_ERROR "quon_add_panel(${name}): SOURCES needed; unknown arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  _quon_panel_argument(VERSION 1.0.0.0 "^[0-9]+[.][0-9]+[.][0-9]+[.][0-9]+$" "a.b.c.d")
  _quon_panel_argument(LANGUAGE 0809 "^[0-9a-fA-F][0-9a-fA-F][0-9a-fA-F][0-9a-fA-F]$" "four hex digits")
  _quon_panel_argument(SOAK_DAYS 1 "^[1-9][0-9]*$" "a whole number of days from 1")
  if(ARG_SOAK AND NOT DEFINED ARG_DEVICES)
    message(FATAL_ERROR "quon_add_panel(${name}): SOAK needs DEVICES, whose devices and timers make the traffic")
  endif()
  string(TOLOWER ${ARG_LANGUAGE} ARG_LANGUAGE)
  if(NOT DEFINED ARG_DESCRIPTION)
    set(ARG_DESCRIPTION ${name})
  endif()
  if(NOT DEFINED ARG_PRODUCT)
    set(ARG_PRODUCT "QUON V4.5")
  endif()

  # The sources once, hidden: only the factory, marked by QUON_EXPORT, leaves the library.
  add_library(${name}_objects OBJECT ${ARG_SOURCES})
  set_target_properties(${name}_objects PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
                        POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${name}_objects PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name}_objects PUBLIC quon::script_helper)
  quon_warnings(${name}_objects)

  add_library(${name}_panel STATIC $<TARGET_OBJECTS:${name}_objects>)
  set_target_properties(${name}_panel PROPERTIES LINKER_LANGUAGE CXX)
  target_include_directories(${name}_panel PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name}_panel PUBLIC quon::script_helper)

  add_library(${name} SHARED $<TARGET_OBJECTS:${name}_objects>)
  set_target_properties(${name} PROPERTIES PREFIX "" LINKER_LANGUAGE CXX)
  target_link_libraries(${name} PRIVATE quon::script_helper)
  if(WIN32)
    _quon_panel_resources(${name})
    target_sources(${name} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${name}_version.rc
                                   $<TARGET_OBJECTS:quon::panel_runtime>)
    target_link_options(${name} PRIVATE -s) # the runtime is static (see the toolchain)
  else()
    # The static libraries' symbols stay inside: only the factory is exported.
    target_link_options(${name} PRIVATE -Wl,--exclude-libs,ALL)
  endif()

  _quon_panel_tests(${name})
  if(ARG_FUZZ AND QUON_FUZZ AND NOT CMAKE_CROSSCOMPILING)
    include(${QUON_PANEL_FUZZ_DIR}/quon_panel_fuzz.cmake)
    _quon_panel_fuzz(${name})
  endif()
endfunction()

# The version resource and manifest of a panel DLL, from the templates.
function(_quon_panel_resources name)
  string(REPLACE "." ", " version_text ${ARG_VERSION})
  string(REPLACE "." "," QUON_PANEL_VERSION_COMMAS ${ARG_VERSION})
  math(EXPR language "0x${ARG_LANGUAGE}")
  math(EXPR QUON_PANEL_PRIMARY_LANGUAGE "${language} & 0x3ff" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR QUON_PANEL_SUB_LANGUAGE "${language} >> 10" OUTPUT_FORMAT HEXADECIMAL)
  set(QUON_PANEL_LANGUAGE ${ARG_LANGUAGE})
  set(QUON_PANEL_FILE ${name}.dll)
  set(QUON_PANEL_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${name}.manifest)

  set(strings "")
  foreach(entry "Comments|${ARG_PRODUCT} Script Component" "CompanyName|${ARG_COMPANY}"
                "FileDescription|${ARG_DESCRIPTION}" "FileVersion|${version_text}" "InternalName|${name}"
                "LegalCopyright|${ARG_COPYRIGHT}" "OriginalFilename|${name}" "ProductName|${ARG_PRODUCT}"
                "ProductVersion|${version_text}")
    string(FIND "${entry}" "|" bar)
    string(SUBSTRING "${entry}" 0 ${bar} key)
    math(EXPR bar "${bar} + 1")
    string(SUBSTRING "${entry}" ${bar} -1 value)
    if(value STREQUAL "")
      continue() # optional strings left out
    endif()
    string(REPLACE "\"" "\"\"" value "${value}") # a quote inside a resource text is doubled
    string(APPEND strings "            VALUE \"${key}\", \"${value}\"\n")
  endforeach()
  set(QUON_PANEL_STRINGS "${strings}")

  configure_file(${QUON_PANEL_TEMPLATES}/manifest.xml.in ${QUON_PANEL_MANIFEST} @ONLY)
  configure_file(${QUON_PANEL_TEMPLATES}/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${name}_version.rc @ONLY)
  set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/${name}_version.rc APPEND PROPERTY OBJECT_DEPENDS
               ${QUON_PANEL_MANIFEST})
endfunction()

# The panel's tests. Each passes only on the program's closing line (natively
# too), the unit tests only when GoogleTest finished (see quon_gtest.cmake).
function(_quon_panel_tests name)
  if(WIN32 AND QUON_SYSTEM_PYTHON)
    set(check ${QUON_SYSTEM_PYTHON} ${QUON_CHECK_DLL} $<TARGET_FILE:${name}>
        --name ${name} --version ${ARG_VERSION} --language ${ARG_LANGUAGE})
    if(DEFINED ARG_COMPANY)
      list(APPEND check --company ${ARG_COMPANY})
    endif()
    add_test(NAME ${name}_dll_check COMMAND ${check})
  endif()
  if(ARG_TESTS)
    include(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/quon_gtest.cmake)
    quon_add_test(${name}_test SOURCES ${ARG_TESTS} LIBS ${name}_panel quon::test_host TEST_PREFIX ${name}_test.)
  endif()
  if(NOT TARGET quon::panel_host)
    return()
  endif()
  set(devices "")
  if(DEFINED ARG_DEVICES)
    get_filename_component(devices ${ARG_DEVICES} ABSOLUTE)
    set(devices --devices ${devices})
  endif()
  # A panel may end the process (exit(0) in a handler): in both builds its
  # runs pass only on panel_host's closing line. A fault found is saved in the
  # build tree as a scenario cut down to what gives it, and named in the
  # output (panel_host run replays it).
  set(failures ${CMAKE_CURRENT_BINARY_DIR}/validate_failures/${name})
  _quon_panel_values(values)
  quon_add_wine_test(NAME ${name}_validate CLOSING_LINE "^all checks passed$" NATIVE_TOO
                       COMMAND quon::panel_host validate $<TARGET_FILE:${name}> ${devices} ${values}
                               --save-failures ${failures})
  foreach(scenario ${ARG_SCENARIOS})
    get_filename_component(stem ${scenario} NAME_WE)
    get_filename_component(path ${scenario} ABSOLUTE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/scenario_out/${stem})
    file(MAKE_DIRECTORY ${out})
    # A strict run that found faults ends on its note, not on the clean count.
    quon_add_wine_test(NAME ${name}_scenario_${stem} CLOSING_LINE "^expectations: [0-9]+ passed, 0 failed$" NATIVE_TOO
                         COMMAND quon::panel_host run $<TARGET_FILE:${name}> ${path} --base ${name} --strict --out ${out})
  endforeach()
  # SOAK: a seeded soak of SOAK_DAYS virtual days (docs/soak.md); its page
  # and figures go to soak_report/NAME in the build tree. Under wine at
  # QUON_SOAK_WINE_RATES.
  if(ARG_SOAK)
    set(report ${CMAKE_CURRENT_BINARY_DIR}/soak_report/${name})
    set(rates "")
    if(WIN32)
      set(rates ${QUON_SOAK_WINE_RATES})
    endif()
    quon_add_wine_test(NAME ${name}_soak CLOSING_LINE "^soak clean$" NATIVE_TOO
                         COMMAND quon::panel_host soak $<TARGET_FILE:${name}> ${devices} --days ${ARG_SOAK_DAYS} --seed 1
                                 --report ${report} ${rates})
  endif()
endfunction()

# _quon_panel_hints(VAR): in quon_add_panel's scope, the hints file beside
# DEVICES (its name ending in .hints), or "" when there is none.
function(_quon_panel_hints var)
  set(hints "")
  if(DEFINED ARG_DEVICES)
    get_filename_component(devices ${ARG_DEVICES} ABSOLUTE)
    get_filename_component(folder ${devices} DIRECTORY)
    get_filename_component(stem ${devices} NAME_WE)
    if(EXISTS ${folder}/${stem}.hints)
      set(hints ${folder}/${stem}.hints)
    endif()
  endif()
  set(${var} "${hints}" PARENT_SCOPE)
endfunction()

# _quon_panel_values(VAR): validate's options for the values the panel cares
# about (docs/formats.md, "Hints file"): --scenario for each scenario, --hints.
function(_quon_panel_values var)
  set(options "")
  foreach(scenario ${ARG_SCENARIOS})
    get_filename_component(path ${scenario} ABSOLUTE)
    list(APPEND options --scenario ${path})
  endforeach()
  _quon_panel_hints(hints)
  if(hints)
    list(APPEND options --hints ${hints})
  endif()
  set(${var} "${options}" PARENT_SCOPE)
endfunction()
