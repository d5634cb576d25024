// quon_client_callback: the one interface between the panel host and a panel
// script, implemented by both sides. The host hands the script its own object
// of this type; the script object the factory returns is one too.
//
// Thread and lifetime: every call runs to completion on the caller's thread;
// one object is never entered from two threads at once. The host owns its
// object; the script keeps the pointer for its whole life and never frees it.
//
// Rationale: the host is built with the Microsoft x86 C++ ABI, in which a
// virtual destructor is ONE vtable slot, the scalar deleting destructor
// (thiscall, unsigned flags, bit 0 = free the memory, returns the object's
// address). GCC and Clang on mingw lay out `virtual ~T()` as TWO slots, which
// would move callback() to slot 2 and crash the host on its first call. So
// slot 0 is spelled out here as an ordinary virtual function with that
// signature, and the C++ destructor is kept out of the vtable. Member
// functions on i686 are thiscall with mingw's GCC, as with Microsoft's.
#ifndef QUON_CLIENT_CALLBACK_H
#define QUON_CLIENT_CALLBACK_H

#include <cstdint>

// What `arg` of callback() carries, by kind.
enum quon_event_kind : unsigned {
    quon_kind_command = 0,   // script to host: a command text; result is the reply
    quon_kind_revertive = 1, // host to script: a quon_revertive_record
    quon_kind_button = 2,    // host to script: a quon_button_record
    quon_kind_property = 3,  // host to script: a "name.sub=value" text; result is an answer or null
    quon_kind_timer = 4,     // host to script: the timer id itself, cast to a pointer
    quon_kind_release = 5,   // either way: hand back a text the other side returned
    quon_kind_hook6 = 6,     // host to script: a record the script may inspect
    quon_kind_hook7 = 7,     // host to script: a record the script may inspect
};

class quon_client_callback {
public:
    // Slot 0: the deleting destructor. Destroys the object; when bit 0 of
    // `flags` is set, also frees its memory with the allocator of the module
    // that created it. Returns the object's address. Called once, last.
    virtual void* deletingDestructor(unsigned flags) = 0;

    // Slot 1: deliver `arg` of the given kind (quon_event_kind). Returns a
    // NUL-terminated text owned by the callee, or null. A returned text stays
    // valid until the caller hands it back with kind 5.
    virtual char* callback(void* arg, unsigned kind) = 0;

protected:
    // Not virtual and not public: destruction goes through slot 0 only.
    quon_client_callback() = default;
    quon_client_callback(const quon_client_callback&) = default;
    quon_client_callback& operator=(const quon_client_callback&) = default;
    ~quon_client_callback() = default;
};

// The library's one export. cdecl, caller cleans, undecorated name.
// Allocates and constructs a script bound to `host` (may be null) with the
// base path `path`; returns null if the allocation fails.
extern "C" {
typedef quon_client_callback* (*quon_load_script_fn)(quon_client_callback* host, const char* path);
}

#endif
