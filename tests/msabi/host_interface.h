// The host's side of the script boundary, declared exactly as the panel host
// declares it: a virtual destructor in slot 0, callback in slot 1, compiled
// with the Microsoft C++ ABI. Deliberately not the framework's header: this
// program stands for the host, and checks that a script built by the other
// compiler fits it.
#ifndef HOST_INTERFACE_H
#define HOST_INTERFACE_H

class quon_client_callback {
public:
    virtual ~quon_client_callback();
    virtual char* callback(void* arg, unsigned kind) = 0;
};

typedef quon_client_callback* (*load_script_fn)(quon_client_callback* host, const char* path);

// Kind 1: a device's status report, text inline.
struct host_revertive_record {
    int device;
    int reserved;
    int index;
    int state;
    char text[64];
};

// The split event of a button record, in the host's layout.
struct host_param_message {
    const char* name;
    const char* sub[32];
    const char* value;
    int subCount;
    bool hasValue;
    char* buffer;
};
static_assert(sizeof(host_param_message) == 148, "host layout");

// A control's event as the host hands it over: a name and a value, every
// sub-name empty, no buffer of the script's.
inline host_param_message host_event(const char* name, const char* value) {
    host_param_message event = {};
    event.name = name;
    event.value = value;
    for (const char*& sub : event.sub) sub = "";
    return event;
}

// Kind 2: an event from a panel control.
struct host_button_record {
    int reserved[2];
    const char* panel;
    const char* id;
    host_param_message* event;
};
static_assert(sizeof(host_button_record) == 20, "host layout");

#endif
