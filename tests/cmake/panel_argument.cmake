# quon_add_panel's arguments checked as a panel's project calls it:
#   cmake -DKEYWORD=VERSION -DVALUE=1.2.3.4 -P panel_argument.cmake
# A value without its form ends with the argument's error; one with its form
# gets past the checks (script mode then stops at the first target it makes).
cmake_minimum_required(VERSION 3.25) # the policies of a panel's project
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/quon_panel.cmake)
quon_add_panel(sample SOURCES sample.cpp ${KEYWORD} ${VALUE})
