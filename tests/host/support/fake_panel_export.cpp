// The fake panel as a loadable library, with the factory export a host looks up.
#include "fake_panel.h"

#ifdef _WIN32
#define FAKE_EXPORT __declspec(dllexport)
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#endif

extern "C" FAKE_EXPORT quon_client_callback* load_quon_client_script(quon_client_callback* host, const char* path) {
    return fake_panel_create(host, path);
}
