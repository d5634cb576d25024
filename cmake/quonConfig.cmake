# The quon SDK: find_package(quon CONFIG) in a panel's own project gives the
# targets of the toolchain in use (quon::boundary, quon::string,
# quon::script_helper, quon::test_host; quon::panel_host, the installed
# panel_host or, for Windows, panel_host.exe under wine) and quon_add_panel().
# Everything is found relative to this file, so the SDK may be moved.
get_filename_component(QUON_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(_quon_flavour windows)
elseif(NOT WIN32)
  set(_quon_flavour linux)
else()
  set(quon_FOUND FALSE)
  set(quon_NOT_FOUND_MESSAGE "the quon SDK builds panels natively on Linux or for Windows with its toolchain file "
                             "${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake")
  return()
endif()
if(NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/quonTargets-${_quon_flavour}.cmake)
  set(quon_FOUND FALSE)
  set(quon_NOT_FOUND_MESSAGE "the quon SDK at ${QUON_PREFIX} holds no ${_quon_flavour} libraries "
                             "(install it with scripts/install_sdk.sh)")
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/quonTargets-${_quon_flavour}.cmake)

if(NOT TARGET quon::panel_host)
  add_executable(quon::panel_host IMPORTED)
  set_target_properties(quon::panel_host PROPERTIES
                        IMPORTED_LOCATION ${QUON_PREFIX}/bin/panel_host${CMAKE_EXECUTABLE_SUFFIX})
endif()

include(${CMAKE_CURRENT_LIST_DIR}/project_warnings.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/wine_tests.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/quon_panel.cmake)
if(QUON_COVERAGE)
  include(${CMAKE_CURRENT_LIST_DIR}/quon_coverage.cmake)
endif()
