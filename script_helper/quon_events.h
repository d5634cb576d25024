// Event wrappers: what the dispatcher hands each handler. Each holds the record
// pointer (a property event also the length of its text) and reads the record
// on every call; texts come out as new quon_string copies. A wrapper lives on
// the dispatcher's stack for one handler call: handlers must not keep it or
// the record.
#ifndef QUON_EVENTS_H
#define QUON_EVENTS_H

#include "quon_param_message.h"
#include "quon_button_record.h"
#include "quon_revertive_record.h"
#include "quon_string.h"
#include "quon_text.h"

#include <cstddef>
#include <cstring>

// A device's status report (kind 1), read from its quon_revertive_record.
class revertiveEvent {
public:
    explicit revertiveEvent(const quon_revertive_record* record) : record_(record) {} // wraps the record
    int device() const { return record_->device; }                                    // the reporting device
    int index() const { return record_->index; }                                      // destination, GPI or slot number
    int state() const { return record_->state; }                    // router: the source routed; GPI: 0 off, other on
    quon_string text() const { return quon_string(record_->text); } // the state as text
    // The inline text itself, for callers that only pass it on.
    const char* textData() const { return record_->text; }

private:
    const quon_revertive_record* record_;
};

// A null text anywhere in a button record reads as the empty string.
class buttonEvent {
public:
    explicit buttonEvent(const quon_button_record* record) : record_(record) {} // wraps the record
    quon_string panel() const { return quon_string(record_->panel); }           // the panel's name ("1")
    quon_string id() const { return quon_string(record_->id); }                 // the control's id ("Take")
    // The event's name: "press" of "press", "alarm" of "alarm=2".
    quon_string event() const { return quon_string(record_->event ? record_->event->name : nullptr); }
    // The event's value: empty for "press", "2" for "alarm=2".
    quon_string value() const { return quon_string(record_->event ? record_->event->value : nullptr); }

private:
    const quon_button_record* record_;
};

// A property message (kind 3), "name.sub=value", split into a paramMessage.
class propertyEvent {
public:
    // A message already split; `textLength` is the length of its text.
    propertyEvent(const paramMessage* message, std::size_t textLength) : message_(message), textLength_(textLength) {}
    // A text not split yet (its length known): the name and the value are
    // found in place, and `split(context)` splits it only when a handler
    // first asks for the parsed message. Most handlers only compare the name.
    propertyEvent(const char* text, std::size_t textLength, const paramMessage* (*split)(void*), void* context)
        : split_(split), splitContext_(context), text_(text ? text : ""), textLength_(text ? textLength : 0) {
        const char* equals = static_cast<const char*>(std::memchr(text_, '=', textLength_));
        nameLength_ = equals ? static_cast<std::size_t>(equals - text_) : textLength_;
        hasValue_ = equals != nullptr;
        // A dot in the name starts sub-names: such a text takes the full split.
        plain_ = std::memchr(text_, '.', nameLength_) == nullptr;
    }
    quon_string command() const { return quon_string(message().name); } // the name: "myParam" of "myParam=x"
    quon_string value() const { return quon_string(message().value); }  // the value: "x" of "myParam=x"
    // The whole split, sub-names included (split now if it was not yet).
    const paramMessage& message() const {
        if (!message_) message_ = split_(splitContext_);
        return *message_;
    }

    // The name and the value in place, for handlers that only compare them or
    // copy them once. Their lengths follow from where the parts begin: the
    // name ends where the first sub-name or the value starts, and the value
    // runs to the end of the text.
    quon_text commandText() const {
        if (plain_) return quon_text(text_, nameLength_);
        const paramMessage& m = message();
        if (!m.buffer) return quon_text(m.name, 0);
        const char* end = m.subCount > 0 ? m.sub[0] - 1 : m.hasValue ? m.value - 1 : m.buffer + textLength_;
        return quon_text(m.name, static_cast<std::size_t>(end - m.name));
    }
    // The value in place (see commandText()).
    quon_text valueText() const {
        if (plain_)
            return hasValue_ ? quon_text(text_ + nameLength_ + 1, textLength_ - nameLength_ - 1) : quon_text("", 0);
        const paramMessage& m = message();
        if (!m.hasValue) return quon_text(m.value, 0);
        return quon_text(m.value, static_cast<std::size_t>(m.buffer + textLength_ - m.value));
    }

private:
    mutable const paramMessage* message_ = nullptr;
    const paramMessage* (*split_)(void*) = nullptr;
    void* splitContext_ = nullptr;
    const char* text_ = nullptr;
    std::size_t textLength_;
    std::size_t nameLength_ = 0;
    bool hasValue_ = false;
    bool plain_ = false; // no sub-names: the name and value are read from text_
};

// Kinds 6 and 7 carry records this framework does not read; a script that
// knows them may.
class hookEvent {
public:
    explicit hookEvent(void* record) : record_(record) {} // wraps the record
    void* record() const { return record_; }              // the host's record, as passed

private:
    void* record_;
};

#endif
