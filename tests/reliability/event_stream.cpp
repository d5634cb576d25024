#include "event_stream.h"

#include "base/device_report_record.h"
#include "split_message.h"
#include "quon_button_record.h"

#include <cstdint>
#include <cstring>
#include <vector>

using namespace quon::host;

std::string event_stream::text(std::size_t longest) {
    // Mostly printable, now and then the characters commands and messages
    // give meaning to; lengths on both sides of the string's inline buffer.
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789 '=.,%-_";
    std::string s(static_cast<std::size_t>(number(0, static_cast<int>(longest))), ' ');
    for (char& c : s) c = alphabet[number(0, sizeof alphabet - 2)];
    return s;
}

void event_stream::report(quon_client_callback* script) {
    static const int devices[] = {1, 2, 3, 1, 2, 3, 4, 0, -1};
    const std::int32_t device = devices[number(0, 8)], reserved = number(-5, 5);
    const std::int32_t index = number(-2, 42), state = number(-2, 18);
    const std::string stateText = number(0, 2) == 0 ? text(80) : std::to_string(number(-1, 4));
    std::vector<char> record = device_report_record(device, index, state, stateText, reserved);
    script->callback(record.data(), quon_kind_revertive);
}

void event_stream::button(quon_client_callback* script) {
    static const char* const ids[] = {"AckAll", "ActionAll", "Mon_1", "GPI_3", ""};
    const std::string eventText = number(0, 1) ? "alarm=" + text(6) : text(20);
    splitMessage event(eventText.c_str());
    quon_button_record record{{0, 0}, "1", ids[number(0, 4)], number(0, 9) ? &event : nullptr};
    script->callback(&record, quon_kind_button);
}

void event_stream::property(quon_client_callback* script, stream_host& host) {
    static const char* const fixed[] = {"return=all", "return=myParam", "return=instance", "_events",
                                        "_commands",  "return",         "unknown=1"};
    std::string message;
    switch (number(0, 3)) {
    case 0:
        message = "myParam" + std::string(number(0, 1) ? ".a.b" : "") + "=" + text(60);
        break;
    case 1:
        message = "instance=" + text(60);
        break;
    default:
        message = fixed[number(0, 6)];
    }
    char* answer = script->callback(&message[0], quon_kind_property);
    if (!answer) return;
    host.note("A " + std::string(answer));
    script->callback(answer, quon_kind_release);
}

void event_stream::deliver(quon_client_callback* script, stream_host& host) {
    const int what = number(0, 99);
    if (what < 45) {
        report(script);
    } else if (what < 65) {
        property(script, host);
    } else if (what < 75) {
        button(script);
    } else if (what < 85) {
        script->callback(reinterpret_cast<void*>(static_cast<std::intptr_t>(number(-3, 1000))), quon_kind_timer);
    } else if (what < 90) {
        std::int32_t record[4] = {number(0, 9), 0, 0, 0};
        script->callback(record, number(0, 1) ? quon_kind_hook6 : quon_kind_hook7);
    } else if (what < 95) {
        script->callback(nullptr, quon_kind_release);
    } else {
        // Kind 0 and kinds the panel does not know carry nothing it may read.
        static const unsigned kinds[] = {0u, 8u, 9u, 100u, 0xffffffffu};
        script->callback(reinterpret_cast<void*>(std::uintptr_t{0x10}), kinds[number(0, 4)]);
    }
}

void event_stream::settle(quon_client_callback* script) {
    char myParam[] = "myParam=settled";
    char instance[] = "instance=settled";
    script->callback(myParam, quon_kind_property);
    script->callback(instance, quon_kind_property);
}
