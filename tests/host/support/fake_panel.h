// fake_panel: a tiny panel script for testing the host emulator without the
// real panel. It talks to the host through the raw boundary, the way any
// script library must, and its behaviour is chosen by the base path:
// "malformed" sends broken commands at start-up as well.
#ifndef TESTS_HOST_FAKE_PANEL_H
#define TESTS_HOST_FAKE_PANEL_H

#include "quon_client_callback.h"

// Creates a fake panel bound to host; what the library's export returns.
quon_client_callback* fake_panel_create(quon_client_callback* host, const char* path);

#endif
