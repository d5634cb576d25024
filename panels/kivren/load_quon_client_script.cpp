// The exported factory.
#include "kivren.h"
#include "kivren_export.h"

#include <new>

quon_client_callback* load_quon_client_script(quon_client_callback* host, const char* path) {
    // The object is freed by this library's own allocator when the host
    // calls slot 0 with bit 0 set.
    kivren* script = new (std::nothrow) kivren(host, path);
    return script;
}
