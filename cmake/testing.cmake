# This project's own tests: GoogleTest, quon_add_test() and the test hosts.
include(CTest)
include(quon_gtest)

# Host doubles and helpers shared by the tests of the framework and the panels.
add_library(quon_test_support INTERFACE)
target_include_directories(quon_test_support INTERFACE ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(quon_test_support INTERFACE quon_test_host)
