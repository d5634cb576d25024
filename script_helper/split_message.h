// splitMessage: splits a property or event text into a paramMessage
// (quon_param_message.h) and owns the copy it points into.
//
// Every text pointer not set by the split points to one shared constant empty
// text (emptyText()), never null. The split copy lives in caller-given storage
// when it fits, else on the heap, freed with the message.
#ifndef SPLIT_MESSAGE_H
#define SPLIT_MESSAGE_H

#include "quon_param_message.h"

#include <cstddef>

// A split message that owns its copy of the text (see the top of this file).
class splitMessage : public paramMessage {
public:
    // Splits `text` (null or empty: no name, no value) into a heap copy.
    explicit splitMessage(const char* text);
    // Copies the input into `storage` when it fits (with its NUL), so that a
    // short message costs no heap allocation; `storage` must outlive this.
    splitMessage(const char* text, char* storage, std::size_t storageSize);
    // The same for a text whose length (before its NUL) is known.
    splitMessage(const char* text, std::size_t length, char* storage, std::size_t storageSize);
    ~splitMessage();
    splitMessage(const splitMessage&) = delete;
    splitMessage& operator=(const splitMessage&) = delete;

    // The shared empty text that unset pointers hold.
    static const char* emptyText();

private:
    bool ownsBuffer_; // the copy is on the heap
};

#endif
