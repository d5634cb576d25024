// quon_client_callback: the one interface between the panel host and a panel
// script, implemented by both sides, and the kinds of what passes through it.
//
// Ownership: the host owns its own object and passes a pointer to it to the
// factory; the script keeps that pointer for its whole life and never frees
// it. The object the factory returns belongs to the host from then on, which
// destroys it through slot 0, once, last.
//
// Threads: the script starts no threads and takes no locks. Every call runs
// to completion on the caller's thread, including the calls into the other
// side that it makes on the way; one object is never entered from two threads
// at once (the host's duty).
//
// Why slot 0 is spelled out: the host is built with the Microsoft x86 C++ ABI,
// in which a virtual destructor is ONE vtable slot, the scalar deleting
// destructor (thiscall, unsigned flags, bit 0 = free the memory, returns the
// object's address). GCC and Clang on mingw lay out `virtual ~T()` as TWO
// slots, which would move callback() to slot 2 and crash the host on its
// first call. So slot 0 is an ordinary virtual function with that signature
// and the C++ destructor stays out of the vtable. The native build uses the
// same one-slot layout: a native host must use this header, not declare
// `virtual ~T()` itself, or it calls the wrong slot. Member functions on i686
// are thiscall with mingw's GCC, as with Microsoft's.
#ifndef QUON_CLIENT_CALLBACK_H
#define QUON_CLIENT_CALLBACK_H

// What `arg` of callback() carries, by kind. Records and texts passed in are
// owned by the caller and valid only during the call.
enum quon_event_kind : unsigned {
    quon_kind_command = 0,   // script to host: a command text (see quon_hand_back.h); result is the reply
    quon_kind_revertive = 1, // host to script: a quon_revertive_record; result null
    quon_kind_button = 2,    // host to script: a quon_button_record; result null
    quon_kind_property = 3,  // host to script: a "name.sub=value" text; result an answer or null
    quon_kind_timer = 4,     // host to script: the timer id itself, cast to a pointer; result null
    quon_kind_release = 5,   // either way: hand back a text the other side returned; result null
    quon_kind_hook6 = 6,     // host to script: a record the script may inspect; result null
    quon_kind_hook7 = 7,     // host to script: a record the script may inspect; result null
};

class quon_client_callback {
public:
    // Slot 0: the deleting destructor. Destroys the object; when bit 0 of
    // `flags` is set, also frees its memory with the allocator of the module
    // that created it. Returns the object's address. The host calls it once,
    // last; during it a script sends its closing commands, ending with "AS".
    virtual void* deletingDestructor(unsigned flags) = 0;

    // Slot 1: deliver `arg` of the given kind (quon_event_kind). Returns a
    // NUL-terminated text owned by the callee, or null. A returned text stays
    // valid until the caller hands it back with kind 5 on the same object and
    // is not touched by the caller afterwards. Kinds a callee does not know
    // are answered with null.
    virtual char* callback(void* arg, unsigned kind) = 0;

protected:
    // Not virtual and not public: destruction goes through slot 0 only.
    quon_client_callback() = default;
    quon_client_callback(const quon_client_callback&) = default;            // for derived classes' copies
    quon_client_callback& operator=(const quon_client_callback&) = default; // for derived classes' copies
    ~quon_client_callback() = default;
};

#endif
