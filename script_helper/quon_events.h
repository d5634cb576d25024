// Event wrappers: what the dispatcher hands each handler. Each holds only the
// record pointer and reads the record on every call; texts come out as new
// quon_string copies. A wrapper lives on the dispatcher's stack for one
// handler call: handlers must not keep it or the record.
#ifndef QUON_EVENTS_H
#define QUON_EVENTS_H

#include "quon_param_message.h"
#include "quon_button_record.h"
#include "quon_revertive_record.h"
#include "quon_string.h"

class revertiveEvent {
public:
    explicit revertiveEvent(const quon_revertive_record* record) : record_(record) {}
    int device() const { return record_->device; }
    int index() const { return record_->index; }
    int state() const { return record_->state; }
    quon_string text() const { return quon_string(record_->text); }
    // The inline text itself, for callers that only pass it on.
    const char* textData() const { return record_->text; }

private:
    const quon_revertive_record* record_;
};

// A null text anywhere in a button record reads as the empty string.
class buttonEvent {
public:
    explicit buttonEvent(const quon_button_record* record) : record_(record) {}
    quon_string panel() const { return quon_string(record_->panel); }
    quon_string id() const { return quon_string(record_->id); }
    quon_string event() const { return quon_string(record_->event ? record_->event->name : nullptr); }
    quon_string value() const { return quon_string(record_->event ? record_->event->value : nullptr); }

private:
    const quon_button_record* record_;
};

class propertyEvent {
public:
    explicit propertyEvent(const paramMessage* message) : message_(message) {}
    quon_string command() const { return quon_string(message_->name); }
    quon_string value() const { return quon_string(message_->value); }
    const paramMessage& message() const { return *message_; }

private:
    const paramMessage* message_;
};

// Kinds 6 and 7 carry records this framework does not read; a script that
// knows them may.
class hookEvent {
public:
    explicit hookEvent(void* record) : record_(record) {}
    void* record() const { return record_; }

private:
    void* record_;
};

#endif
