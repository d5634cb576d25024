#include "baseline_panel.h"

#include "quon_debug.h"
#include "quon_revertive_record.h"

#include <cstdint>
#include <cstring>

// One command text on the stack.
class baseline_line {
public:
    baseline_line() : end_(text_) {}
    template <std::size_t N>
    baseline_line& add(const char (&literal)[N]) {
        return add(literal, N - 1);
    }
    baseline_line& add(const char* text, std::size_t length) {
        std::memcpy(end_, text, length);
        end_ += length;
        return *this;
    }
    baseline_line& add(int value) {
        char digits[12];
        char* p = digits + sizeof digits;
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        do {
            *--p = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (value < 0) *--p = '-';
        return add(p, static_cast<std::size_t>(digits + sizeof digits - p));
    }
    std::size_t length() const { return static_cast<std::size_t>(end_ - text_); }
    char* finish() {
        *end_ = '\0';
        return text_;
    }

private:
    char text_[baseline_panel::maxText + 64];
    char* end_;
};

namespace {
struct colour {
    const char text[8];
};
const colour background[17] = {
    {"#000000"}, {"#ff0000"}, {"#00ff00"}, {"#2020ff"}, {"#c0c000"}, {"#cb54c9"}, {"#ffc783"}, {"#d1d810"}, {"#1fa69d"},
    {"#ffffdc"}, {"#ffaaff"}, {"#aaffbc"}, {"#3a30ff"}, {"#ffff7f"}, {"#ffffdc"}, {"#ffffdc"}, {"#e6e9ff"},
};
const colour foreground[17] = {
    {"#ffffff"}, {"#ffffff"}, {"#000000"}, {"#ffffff"}, {"#ffffff"}, {"#ffffff"}, {"#000000"}, {"#000000"}, {"#ffffff"},
    {"#000000"}, {"#000000"}, {"#000000"}, {"#ffffff"}, {"#000000"}, {"#000000"}, {"#000000"}, {"#000000"},
};
const char tallyOff[] = "#000000";
const char tallyOn[] = "#E00000";

bool copyText(const char* text, std::size_t length, char* into, std::size_t& intoLength) {
    if (length > baseline_panel::maxText) return false;
    std::memcpy(into, text, length);
    into[length] = '\0';
    intoLength = length;
    return true;
}

bool same(const char* text, std::size_t length, const char* literal) {
    return std::strlen(literal) == length && std::memcmp(text, literal, length) == 0;
}
} // namespace

baseline_panel::baseline_panel(quon_client_callback* host, const char* path) : host_(host) {
    path_.length = 0;
    copyText(path, std::strlen(path), path_.text, path_.length);
    myParam_.length = instance_.length = 0;
    picture_[0].length = 0;
    copyText("chanimg/parked.jpg", 18, picture_[0].text, picture_[0].length);
    for (int source = 1; source <= 16; ++source) {
        picture_[source].length = 0;
        picture_[source].text[0] = '\0';
        baseline_line line;
        char* reply = host_->callback(line.add("RN 3 6 ").add(source).finish(), quon_kind_command);
        if (reply) copyText(reply, std::strlen(reply), picture_[source].text, picture_[source].length);
        host_->callback(reply, quon_kind_release);
    }
    quon_debug_output(picture_[1].text);
    baseline_line show;
    show.add("PS '1' '");
    if (path_.length) show.add(path_.text, path_.length).add("/");
    send(show.add("panel1024.quon_ui'"));
    numeric("RR", 3, 1, 16);
    numeric("GR", 1, 1, 16);
    numeric("IR", 2, 1, 40);
    numeric("RP", 3, 1, 16);
    numeric("GP", 1, 1, 16);
    numeric("IP", 2, 1, 40);
}

baseline_panel::~baseline_panel() {
    numeric("RU", 3, 0, 0);
    numeric("GU", 1, 0, 0);
    numeric("IU", 2, 0, 0);
    host_->callback(const_cast<char*>("AS"), quon_kind_command);
}

void* baseline_panel::deletingDestructor(unsigned flags) {
    void* self = this;
    if (flags & 1u) delete this;
    else this->~baseline_panel();
    return self;
}

void baseline_panel::send(baseline_line& text) { host_->callback(text.finish(), quon_kind_command); }

// CODE a, or CODE a b c when b is given.
void baseline_panel::numeric(const char* code, int a, int b, int c) {
    baseline_line line;
    line.add(code, 2).add(" ").add(a);
    if (b) line.add(" ").add(b).add(" ").add(c);
    send(line);
}

char* baseline_panel::callback(void* arg, unsigned kind) {
    switch (kind) {
    case quon_kind_revertive:
        report(static_cast<const quon_revertive_record*>(arg));
        return nullptr;
    case quon_kind_property:
        return property(static_cast<const char*>(arg));
    case quon_kind_timer: {
        baseline_line line;
        send(line.add("ET ").add(static_cast<int>(reinterpret_cast<std::intptr_t>(arg))));
        return nullptr;
    }
    case quon_kind_release:
        delete[] static_cast<char*>(arg);
        return nullptr;
    default:
        return nullptr;
    }
}

void baseline_panel::report(const quon_revertive_record* record) {
    const int index = record->index;
    if (record->device == 3) {
        const int source = record->state;
        if (source < 0 || source > 16) return;
        const field& picture = picture_[source];
        baseline_line line;
        send(line.add("TP 'pixmap=").add(picture.text, picture.length).add("' '1' 'Mon_").add(index).add("'"));
    } else if (record->device == 1 && index <= 16) {
        int entry = 0;
        if (record->state != 0) {
            if (index < 0) return;
            entry = index;
        }
        baseline_line first;
        send(first.add("TP 'colour.background=").add(background[entry].text, 7).add("' '1' 'GPI_").add(index).add("'"));
        baseline_line second;
        send(second.add("TP 'colour.text=").add(foreground[entry].text, 7).add("' '1' 'GPI_").add(index).add("'"));
    } else if (record->device == 2) {
        if (index >= 1 && index <= 12) {
            const std::size_t length = std::strlen(record->text);
            if (length > maxText) return;
            baseline_line line;
            send(line.add("TP 'text=").add(record->text, length).add("' '1' 'UMD_").add(index).add("'"));
        } else if (index >= 21 && index <= 32) {
            tally(index - 20, record->text);
        }
    }
}

void baseline_panel::tally(int display, const char* stateText) {
    // One digit 0 to 3 is the only text that lights anything.
    if (stateText[0] < '0' || stateText[0] > '3' || stateText[1] != '\0') return;
    const int state = stateText[0] - '0';
    baseline_line left;
    send(left.add("TP 'colour.background=")
             .add((state & 1) ? tallyOn : tallyOff)
             .add("' '1' 'UMDL_")
             .add(display)
             .add("'"));
    baseline_line right;
    send(right.add("TP 'colour.background=")
             .add((state & 2) ? tallyOn : tallyOff)
             .add("' '1' 'UMDR_")
             .add(display)
             .add("'"));
}

char* baseline_panel::property(const char* message) {
    const std::size_t length = message ? std::strlen(message) : 0;
    std::size_t nameEnd = 0;
    while (nameEnd < length && message[nameEnd] != '.' && message[nameEnd] != '=') ++nameEnd;
    const char* equals = static_cast<const char*>(std::memchr(message, '=', length));
    const char* value = equals ? equals + 1 : "";
    const std::size_t valueLength = equals ? length - static_cast<std::size_t>(value - message) : 0;

    baseline_line answer;
    if (same(message, nameEnd, "return")) {
        if (!same(value, valueLength, "all") && !same(value, valueLength, "myParam")) return nullptr;
        answer.add("myParam=").add(myParam_.text, myParam_.length);
    } else if (same(message, nameEnd, "instance")) {
        copyText(value, valueLength, instance_.text, instance_.length);
        return nullptr;
    } else if (same(message, nameEnd, "myParam")) {
        copyText(value, valueLength, myParam_.text, myParam_.length);
        return nullptr;
    } else if (same(message, nameEnd, "_events")) {
        answer.add("notify=*");
    } else if (same(message, nameEnd, "_commands")) {
        answer.add("myParam=[value]");
    } else {
        return nullptr;
    }
    const std::size_t answerLength = answer.length();
    char* block = new char[answerLength + 1];
    std::memcpy(block, answer.finish(), answerLength + 1);
    return block;
}
