// counting_host: the host double of the benchmarks. It counts the commands it
// receives and their bytes, answers "RN 3 6 n" with a fixed picture name for
// source n (every other command with null), and counts the replies handed
// back and those the boundary's rule (quon_hand_back.h) says are owed. With a transcript attached it also writes down every call, for the
// check that the framework and the baseline send the same texts.
#ifndef COUNTING_HOST_H
#define COUNTING_HOST_H

#include "quon_client_callback.h"
#include "quon_hand_back.h"

#include <cstddef>
#include <cstring>
#include <string>

class counting_host final : public quon_client_callback {
public:
    std::size_t commands = 0;
    std::size_t bytes = 0;
    std::size_t handBacks = 0;
    std::size_t owedHandBacks = 0;
    std::string* transcript = nullptr;

    void* deletingDestructor(unsigned) override { return this; }

    char* callback(void* arg, unsigned kind) override {
        const char* text = static_cast<const char*>(arg);
        if (kind == quon_kind_release) {
            ++handBacks;
            if (transcript) transcript->append("5 ").append(text ? text : "<null>").append("\n");
            return nullptr;
        }
        ++commands;
        const std::size_t length = std::strlen(text);
        bytes += length;
        if (transcript) transcript->append(std::to_string(kind)).append(" ").append(text, length).append("\n");
        if (kind != quon_kind_command) return nullptr;
        char* answer = reply(text, length);
        if (quon_reply_handed_back(text, answer)) ++owedHandBacks;
        return answer;
    }

    // The name the host gives router source n.
    static const char* picture(int source) {
        static const char* const names[] = {
            "",
            "pictures/source1.png",
            "pictures/source2.png",
            "pictures/source3.png",
            "pictures/source4.png",
            "pictures/source5.png",
            "pictures/source6.png",
            "pictures/source7.png",
            "pictures/source8.png",
            "pictures/source9.png",
            "pictures/source10.png",
            "pictures/source11.png",
            "pictures/source12.png",
            "pictures/source13.png",
            "pictures/source14.png",
            "pictures/source15.png",
            "pictures/source16.png",
        };
        return source >= 1 && source <= 16 ? names[source] : nullptr;
    }

private:
    static char* reply(const char* text, std::size_t length) {
        if (length < 8 || std::memcmp(text, "RN 3 6 ", 7) != 0) return nullptr;
        int source = 0;
        for (std::size_t i = 7; i < length && source < 100; ++i) source = source * 10 + (text[i] - '0');
        return const_cast<char*>(picture(source));
    }
};

#endif
