// "panel_host validate PANEL_LIBRARY": checks what every panel script owes its
// host, without knowing the panel, and prints one line per check.
#ifndef HOST_VALIDATE_H
#define HOST_VALIDATE_H

#include <string>
#include <vector>

int validate_main(const std::vector<std::string>& args);

#endif
