# The SDK as an installed CMake package, one prefix for both toolchains:
#   include/quon/               the boundary, framework, string and test host headers
#   lib/, lib/i686-w64-mingw32/ the framework and string libraries, Linux and Windows
#   lib/cmake/quon/             quonConfig.cmake, its version file, one targets file
#                               per toolchain, quon_add_panel() and its templates,
#                               the mingw-w64 toolchain file and the wine runner
#   bin/                        panel_host, panel_host.exe, quon-new-panel
#   share/quon/                 the panel template quon-new-panel copies, and
#                               examples/NAME/, the example panels it copies with --example
#   share/doc/quon/             the SDK's README, docs/ (the pages for panel authors, their
#                               pictures), the API reference
# Every path is relative to the prefix: the tree may be moved as a whole.
include(CMakePackageConfigHelpers)
include(GNUInstallDirs)

# The targets under the names a panel's project uses: quon::script_helper, ...
# quon::panel_runtime (Windows only) is what quon_add_panel links into every
# panel DLL besides the framework.
set(quon_parts boundary string script_helper test_host)
if(TARGET quon_panel_runtime)
  list(APPEND quon_parts panel_runtime)
endif()
foreach(part ${quon_parts})
  add_library(quon::${part} ALIAS quon_${part})
  set_target_properties(quon_${part} PROPERTIES EXPORT_NAME ${part})
endforeach()
list(TRANSFORM quon_parts PREPEND quon_ OUTPUT_VARIABLE quon_exported)
add_executable(quon::panel_host ALIAS panel_host)

if(CMAKE_CROSSCOMPILING)
  set(quon_flavour windows)
  set(quon_lib_dir ${CMAKE_INSTALL_LIBDIR}/i686-w64-mingw32)
else()
  set(quon_flavour linux)
  set(quon_lib_dir ${CMAKE_INSTALL_LIBDIR})
endif()
set(quon_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/quon)

install(TARGETS ${quon_exported} EXPORT quon-${quon_flavour}
        ARCHIVE DESTINATION ${quon_lib_dir}
        OBJECTS DESTINATION ${quon_lib_dir}
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quon)
install(EXPORT quon-${quon_flavour} NAMESPACE quon:: DESTINATION ${quon_package_dir}
        FILE quonTargets-${quon_flavour}.cmake)
install(TARGETS panel_host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/quonConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES cmake/quonConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/quonConfigVersion.cmake
              cmake/quon_panel.cmake cmake/quon_gtest.cmake cmake/project_warnings.cmake
              cmake/wine_tests.cmake cmake/wine_run.sh cmake/closing_line.sh cmake/gtest_run.sh
              cmake/mingw-i686.cmake cmake/quon_coverage.cmake cmake/quon_coverage_run.cmake scripts/check_dll.py test_host/quon_panel_fuzz.cmake
              test_host/quon_panel_fuzz_run.cmake test_host/quon_panel_fuzz.cpp test_host/quon_fuzz_devices.h
              test_host/quon_fuzz_values.h test_host/quon_fuzz_input.h
        DESTINATION ${quon_package_dir})
install(DIRECTORY cmake/panel DESTINATION ${quon_package_dir})
# The fuzz flavour of the framework and string libraries: their sources,
# which a panel's fuzz target compiles with its own (libFuzzer's
# instrumentation, the sanitizers), so that the fuzzer sees the comparisons
# the panel makes through them (quon_panel_fuzz.cmake).
foreach(part string script_helper)
  install(DIRECTORY ${part}/ DESTINATION ${quon_package_dir}/sources/${part} FILES_MATCHING PATTERN "*.cpp"
          PATTERN panel_runtime.cpp EXCLUDE PATTERN detail EXCLUDE)
endforeach()
install(PROGRAMS scripts/quon-new-panel DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES scripts/panel_name.sh scripts/panel_reserved_names.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/quon)
install(DIRECTORY scripts/panel_template scripts/panel_standalone DESTINATION ${CMAKE_INSTALL_DATADIR}/quon)
# The examples, each its folder of panels/ as this project builds and tests
# it, with the README of the project quon-new-panel --example makes of it;
# without what only this repository can run: kivren's unit tests (they use
# its test support) and router_control's picture makers.
foreach(example alarmwall kivren router_control)
  install(DIRECTORY panels/${example}/ scripts/panel_examples/${example}/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/quon/examples/${example}
          REGEX "/kivren/tests$" EXCLUDE REGEX "_picture\\.[a-z]+$" EXCLUDE)
endforeach()
# The SDK's own README, and beside it the pages for panel authors with the
# pictures they show, so that the installed pages' links hold: the README
# links docs/PAGE, the pages link each other and their pictures by plain
# file names. The pages for this repository's contributors stay here.
install(FILES scripts/sdk_README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quon RENAME README.md)
set(quon_contributor_pages architecture.md building-and-testing.md)
file(GLOB quon_doc_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md)
foreach(page ${quon_contributor_pages})
  list(REMOVE_ITEM quon_doc_pages ${PROJECT_SOURCE_DIR}/docs/${page})
endforeach()
set(quon_doc_pictures "")
foreach(page ${quon_doc_pages})
  file(READ ${page} text)
  string(REGEX MATCHALL "!\\[[^]]*\\]\\([^)]+\\)" shown "${text}")
  foreach(image ${shown})
    string(REGEX REPLACE "^.*\\(([^)]+)\\)$" "\\1" picture "${image}")
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/docs/${picture})
      message(FATAL_ERROR "${page} shows ${picture}, which is not in docs/")
    endif()
    list(APPEND quon_doc_pictures ${PROJECT_SOURCE_DIR}/docs/${picture})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES quon_doc_pictures)
install(FILES ${quon_doc_pages} ${quon_doc_pictures} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quon/docs)

# The release archive, quon-sdk-VERSION-Linux.tar.gz into the build folder:
# scripts/package_sdk.sh builds and installs the SDK for both toolchains
# (release, in build folders of its own) and archives it.
if(PROJECT_IS_TOP_LEVEL AND NOT CMAKE_CROSSCOMPILING)
  add_custom_target(package COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/package_sdk.sh ${CMAKE_BINARY_DIR}
                    COMMENT "The SDK's release archive (Linux and Windows) into ${CMAKE_BINARY_DIR}" USES_TERMINAL VERBATIM)
endif()
