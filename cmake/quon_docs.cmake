# docs: the API reference of the public headers (the boundary, the framework,
# the string component, the test host), made with Doxygen into
# build/.../docs/api/html and installed with the SDK. The headers' own
# comments are the documentation (doxygen_filter.py reads them as such); a
# public declaration without one fails the build, and so does a main page
# (api_main_page.md) that says too little (api_main_page_check.py).
find_package(Doxygen)
if(NOT DOXYGEN_FOUND)
  add_custom_target(docs COMMAND ${CMAKE_COMMAND} -E echo "docs: doxygen not found (scripts/setup.sh installs it)"
                    COMMAND ${CMAKE_COMMAND} -E false)
  return()
endif()
set(QUON_DOCS_INPUT "")
foreach(target quon_boundary quon_string quon_script_helper quon_test_host)
  get_target_property(headers ${target} HEADER_SET)
  foreach(header ${headers})
    if(NOT header MATCHES "/detail/")
      string(APPEND QUON_DOCS_INPUT " \"${header}\"")
    endif()
  endforeach()
endforeach()
# The main page: what a panel script is and the path of an event (Markdown).
set(QUON_DOCS_MAIN_PAGE ${CMAKE_CURRENT_LIST_DIR}/api_main_page.md)
string(APPEND QUON_DOCS_INPUT " \"${QUON_DOCS_MAIN_PAGE}\"")
set(QUON_DOCS_FILTER "/usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/doxygen_filter.py")
set(QUON_DOCS_OUTPUT ${CMAKE_BINARY_DIR}/docs/api)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Doxyfile.in ${CMAKE_BINARY_DIR}/docs/Doxyfile @ONLY)
add_custom_target(docs COMMAND ${CMAKE_COMMAND} -E rm -rf ${QUON_DOCS_OUTPUT}
                  COMMAND ${DOXYGEN_EXECUTABLE} ${CMAKE_BINARY_DIR}/docs/Doxyfile
                  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_LIST_DIR}/api_main_page_check.py
                          ${QUON_DOCS_OUTPUT}/html/index.html
                  COMMENT "API reference into ${QUON_DOCS_OUTPUT}/html" VERBATIM)
install(DIRECTORY ${QUON_DOCS_OUTPUT}/html DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quon/api OPTIONAL)
