#include "quon_script_helper.h"

#include "split_message.h"

#include <cstdint>
#include <cstring>
#include <new>

// The framework's identity, stamped into every library that links it. No code
// reads it; "used" keeps the linker from dropping it.
extern "C" {
extern const char quon_script_helper_signature[];
[[gnu::used]] const char quon_script_helper_signature[] =
    "QUON_SIG,name=quon_script_helper,type=LIB,version=4.8.1.0,date=10/12/2013,author=kivren developers";
}

quon_script_helper::quon_script_helper(quon_client_callback* hostLink, const char* path)
    : host(hostLink), basePath(path), alarmHandling(false) {}

quon_script_helper::~quon_script_helper() {
    // Derived destructors have run: their last commands precede this notice.
    // A host may still deliver events while it handles it; none may reach a
    // handler of the destroyed part.
    derivedGone = true;
    hostCommand(quon_command_code(quon_command_sign_off));
}

void* quon_script_helper::deletingDestructor(unsigned flags) {
    void* self = this;
    if (flags & 1u) {
        delete this; // virtual: the most derived destructor and its size
    } else {
        this->~quon_script_helper();
    }
    return self;
}

void quon_script_helper::kind7Callback(hookEvent*) {}
void quon_script_helper::kind6Callback(hookEvent*) {}

char* quon_script_helper::callback(void* arg, unsigned kind) {
    // Once the panel part is gone only hand-backs are taken: they free blocks
    // of this library's own.
    if (derivedGone && kind != quon_kind_release) return nullptr;
    switch (kind) {
    case quon_kind_revertive:
        // A null record carries no report: ignore it rather than read through it.
        if (arg) {
            revertiveEvent event(static_cast<const quon_revertive_record*>(arg));
            revertiveCallback(&event);
        }
        return nullptr;
    case quon_kind_button:
        if (arg) dispatchButton(static_cast<const quon_button_record*>(arg));
        return nullptr;
    case quon_kind_property:
        return propertyAnswer(static_cast<const char*>(arg));
    case quon_kind_timer:
        timerCallback(static_cast<int>(reinterpret_cast<std::intptr_t>(arg)));
        return nullptr;
    case quon_kind_release:
        delete[] static_cast<char*>(arg); // a block propertyAnswer made, or null
        return nullptr;
    case quon_kind_hook6:
    case quon_kind_hook7:
        if (arg) {
            hookEvent event(arg);
            if (kind == quon_kind_hook6) kind6Callback(&event);
            else kind7Callback(&event);
        }
        return nullptr;
    default:
        return nullptr;
    }
}

namespace {
// A property message split only if its handler asks for the parts; an
// ordinary one then on the stack.
class deferred_split {
public:
    deferred_split(const char* text, std::size_t length) : text_(text), length_(length) {}
    ~deferred_split() {
        if (made_) made_->~splitMessage();
    }
    deferred_split(const deferred_split&) = delete;
    deferred_split& operator=(const deferred_split&) = delete;

    static const paramMessage* run(void* context) {
        deferred_split& self = *static_cast<deferred_split*>(context);
        if (!self.made_)
            self.made_ = new (self.space_) splitMessage(self.text_, self.length_, self.storage_, sizeof self.storage_);
        return self.made_;
    }

private:
    const char* text_;
    std::size_t length_;
    splitMessage* made_ = nullptr;
    alignas(splitMessage) unsigned char space_[sizeof(splitMessage)];
    char storage_[256];
};
} // namespace

char* quon_script_helper::propertyAnswer(const char* text) {
    // Only the answer goes to the heap.
    const std::size_t length = text ? std::strlen(text) : 0;
    deferred_split split(text, length);
    propertyEvent event(text, length, deferred_split::run, &split);
    quon_string answer = propertyCallback(&event);
    if (answer.length() == 0) return nullptr;
    char* block = new char[answer.length() + 1];
    std::memcpy(block, answer.c_str(), answer.length() + 1);
    return block;
}

void quon_script_helper::dispatchButton(const quon_button_record* record) {
    buttonEvent event(record);
    if (alarmHandling) {
        quon_string id = event.id();
        if (id == "ActionAll" && event.event() == "alarm") {
            ackAlarms(event.value());
            return;
        }
        if (id == "AckAll") {
            ackAlarms(quon_string(4));
            return;
        }
    }
    buttonCallback(&event);
}
