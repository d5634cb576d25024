// The host command vocabulary: one operation per command text.
#include "detail/command_text.h"
#include "quon_debug.h"
#include "quon_hand_back.h"
#include "quon_script_helper.h"

#include <cstddef>
#include <cstring>

namespace {
// Codes come from the host's command table (quon_commands.h); each is a
// constant, so a text is built exactly as with the code spelt out.
constexpr const char* code_of(quon_command_id id) { return quon_command_code(id); }
constexpr quon_hand_back rule_of(quon_command_id id) { return quon_reply_hand_back(quon_commands[id].reply); }
constexpr command_opening panelShowOpening = opening_of(quon_command_panel_show);
constexpr command_opening textGetOpening = opening_of(quon_command_text_get);
constexpr command_opening idListOpening = opening_of(quon_command_id_list);

// The numeric family, CODE a [b c [ 'ADD']]: built without printf, and with
// room for any 32-bit values, so every command goes out exactly as "%d"
// formatting would give it. Its length is bounded, so it needs no growing
// buffer: the longest, three ten-digit negative numbers and 'ADD', is 44
// bytes and its NUL.
struct numeric_text {
    numeric_text(const char* code, int count, int a, int b, int c, bool add) {
        char* at = command_text::put(bytes, code, 2);
        at = putField(at, a);
        if (count == 3) at = putField(putField(at, b), c);
        if (add) at = command_text::put(at, " 'ADD'", 6);
        *at = '\0';
    }
    // " value" at `at`; gives the end. Device numbers, selectors and
    // indices mostly have one digit: those are written in place, the rest
    // by one shared function.
    static char* putField(char* at, int value) {
        *at++ = ' ';
        if (value >= 0 && value <= 9) {
            *at = static_cast<char>('0' + value);
            return at + 1;
        }
        return putNumber(at, value);
    }
    [[gnu::noinline]] static char* putNumber(char* at, int value) {
        if (value >= 10 && value <= 99) {
            at[0] = static_cast<char>('0' + value / 10);
            at[1] = static_cast<char>('0' + value % 10);
            return at + 2;
        }
        const std::size_t length = command_text::decimalLength(value);
        command_text::putDecimal(at, length, value);
        return at + length;
    }

    char bytes[48];
};
} // namespace

bool quon_script_helper::panelShow(const quon_string& panel, const quon_string& file, const quon_string& extra) {
    command_text text;
    text.add(panelShowOpening.bytes, 4).add(panel).add("' '");
    if (!basePath.isEmpty()) text.add(basePath).add("/");
    text.add(file).add("'");
    if (!extra.isEmpty()) text.add(" ").quoted(extra);
    if (!host) return true;
    // The reply only says whether the host showed the page; it is not handed back.
    return hostCommand(text.c_str()) != nullptr;
}

void quon_script_helper::textPut(const quon_string& name, const quon_string& value, const quon_string& panel,
                                 const quon_string& control) {
    textPutCommand(name, value, panel, control, 0, 0);
}

bool quon_script_helper::hostQuery(const char* text, quon_hand_back rule, quon_string& copy) {
    char* reply = hostCommand(text);
    if (reply) copy.assign(reply, std::strlen(reply));
    // The reply is copied before it goes back; it is not read afterwards.
    if (host && quon_reply_handed_back(rule, reply)) hostRelease(reply);
    return reply != nullptr;
}

void quon_script_helper::textGet(const quon_string& name, const quon_string& panel, const quon_string& control,
                                 quon_string& result) {
    command_text text;
    text.add(textGetOpening.bytes, 4).add(panel).add("' '").add(control).add("' '").add(name).add("'");
    quon_string whole;
    if (!hostQuery(text.c_str(), rule_of(quon_command_text_get), whole)) {
        result = "";
        return;
    }
    if (name == "all") {
        result = whole;
        return;
    }
    quon_string before, after;
    whole.split('=', before, after);
    if (before == name) {
        result = after;
        return;
    }
    debug("textGet: value returned \"%1\" was not the value requested \"%2\" (value returned was \"%3\" from "
          "control \"%4\", on panel \"%5\")",
          before, name, whole, control, panel, quon_string(), quon_string(), quon_string(), quon_string());
    result = "";
}

void quon_script_helper::routerName(int device, int selector, int index, quon_string& result) {
    if (!host) return;
    numeric_text text(code_of(quon_command_router_name), 3, device, selector, index, false);
    hostQuery(text.bytes, rule_of(quon_command_router_name), result); // a null reply leaves the result as it was
}

quon_stringlist quon_script_helper::getIdList(const quon_string& panel, const quon_string& filter) {
    command_text text;
    text.add(idListOpening.bytes, 4).add(panel).add("' '").add(filter).add("'");
    quon_string copy;
    if (!hostQuery(text.c_str(), rule_of(quon_command_id_list), copy)) return quon_stringlist();
    return quon_stringlist(copy, ',');
}

// Out of line, so that the ten commands of the family share one copy.
[[gnu::noinline]] void quon_script_helper::numericCommand(const char* code, int count, int a, int b, int c, bool add) {
    if (!host) return;
    numeric_text text(code, count, a, b, c, add);
    hostCommand(text.bytes);
}

void quon_script_helper::routerRegister(int device, int first, int last, bool add) {
    numericCommand(code_of(quon_command_router_register), 3, device, first, last, add);
}
void quon_script_helper::infoRegister(int device, int first, int last, bool add) {
    numericCommand(code_of(quon_command_info_register), 3, device, first, last, add);
}
void quon_script_helper::gpiRegister(int device, int first, int last, bool add) {
    numericCommand(code_of(quon_command_gpi_register), 3, device, first, last, add);
}
void quon_script_helper::routerPoll(int device, int first, int last) {
    numericCommand(code_of(quon_command_router_poll), 3, device, first, last, false);
}
void quon_script_helper::infoPoll(int device, int first, int last) {
    numericCommand(code_of(quon_command_info_poll), 3, device, first, last, false);
}
void quon_script_helper::gpiPoll(int device, int first, int last) {
    numericCommand(code_of(quon_command_gpi_poll), 3, device, first, last, false);
}
void quon_script_helper::routerUnregister(int device) {
    numericCommand(code_of(quon_command_router_unregister), 1, device, 0, 0, false);
}
void quon_script_helper::infoUnregister(int device) {
    numericCommand(code_of(quon_command_info_unregister), 1, device, 0, 0, false);
}
void quon_script_helper::gpiUnregister(int device) {
    numericCommand(code_of(quon_command_gpi_unregister), 1, device, 0, 0, false);
}
void quon_script_helper::timerStop(int id) { numericCommand(code_of(quon_command_timer_stop), 1, id, 0, 0, false); }

void quon_script_helper::debug(const quon_string& text) { quon_debug_output(text.c_str()); }
