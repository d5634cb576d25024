# panel_host serve: the panel live in a browser. HTTP comes from cpp-httplib:
# natively Debian's libcpp-httplib-dev (its header declares, its library
# implements); the Windows build compiles the same release, header-only, from
# third_party/cpp-httplib (Debian ships no implementation for mingw).
if(CMAKE_CROSSCOMPILING)
  find_path(KIVREN_HTTPLIB_DIR httplib.h PATHS ${PROJECT_SOURCE_DIR}/third_party/cpp-httplib
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  add_library(kivren_httplib INTERFACE)
  target_include_directories(kivren_httplib SYSTEM INTERFACE ${KIVREN_HTTPLIB_DIR})
  target_link_libraries(kivren_httplib INTERFACE ws2_32)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  add_library(kivren_httplib INTERFACE)
  target_link_libraries(kivren_httplib INTERFACE PkgConfig::HTTPLIB)
endif()

# The page, embedded into the program at build time.
set(serve_page_header ${CMAKE_CURRENT_BINARY_DIR}/generated/serve_page.h)
add_custom_command(
  OUTPUT ${serve_page_header}
  COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_CURRENT_SOURCE_DIR}/serve_page.html -DOUT=${serve_page_header}
          -DNAME=serve_page_html -P ${PROJECT_SOURCE_DIR}/cmake/embed_text.cmake
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/serve_page.html ${PROJECT_SOURCE_DIR}/cmake/embed_text.cmake
  COMMENT "Embedding serve_page.html")

# Everything of serve but its command, so the tests take the same units.
add_library(panel_host_serve STATIC
  serve_feed.cpp serve_live.cpp serve_queue.cpp serve_recording.cpp serve_request.cpp serve_server.cpp
  ${serve_page_header})
target_include_directories(panel_host_serve PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}
                           PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_link_libraries(panel_host_serve PUBLIC panel_host_core PRIVATE kivren_httplib)
kivren_warnings(panel_host_serve)

target_sources(panel_host PRIVATE serve_command.cpp)
target_link_libraries(panel_host PRIVATE panel_host_serve)
