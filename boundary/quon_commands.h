// quon_commands: the host's command table. Every command a script sends with
// kind 0 is a text that opens with its two-letter code; this table gives, for
// each code, the fields that follow it, whether a reply comes and what the
// script does with it, and the framework operation that sends it. The
// framework builds its texts from these codes, the host emulator parses and
// validates against these layouts, and the hand-back rule
// (quon_hand_back.h) is read from the reply column.
//
// Adding a command: one row below (its id in quon_command_id, in the same
// order; the static_assert at the end checks both), then one case in the
// host emulator's executor (host/session/emulated_host.cpp). The parser and
// the validator take it from here.
//
// No includes, so that any host, even one built without a C++ library, can
// take the table from here.
#ifndef QUON_COMMANDS_H
#define QUON_COMMANDS_H

// The rows of the table, in order.
enum quon_command_id : unsigned {
    quon_command_panel_show,
    quon_command_text_put,
    quon_command_text_get,
    quon_command_id_list,
    quon_command_router_name,
    quon_command_router_register,
    quon_command_info_register,
    quon_command_gpi_register,
    quon_command_router_poll,
    quon_command_info_poll,
    quon_command_gpi_poll,
    quon_command_router_unregister,
    quon_command_info_unregister,
    quon_command_gpi_unregister,
    quon_command_timer_stop,
    quon_command_sign_off,
    quon_command_count
};

// Whether the host replies, and what the script does with the reply.
enum quon_reply : unsigned {
    quon_reply_none = 0,     // no reply comes (the host may give one; it is ignored)
    quon_reply_tested = 1,   // tested for null only; not handed back
    quon_reply_read = 2,     // copied; a non-null reply is handed back with kind 5
    quon_reply_read_null = 3 // copied; handed back with kind 5, a null one too
};

// One command. `fields` spells its fields in order, one letter each:
//   T  a text between apostrophes, sent unescaped
//   N  a plain decimal number of 32 bits ("-" allowed; no "+", leading zero or "-0")
//   o  an optional trailing text field
//   a  the optional trailing 'ADD' of the register commands
// Fields are separated by one space; a command without fields is its code.
struct quon_command {
    quon_command_id id;    // its row in quon_commands
    char code[3];          // two capital letters
    const char* fields;    // its fields, one letter each (see above)
    quon_reply reply;      // whether a reply comes, and what becomes of it
    const char* operation; // the framework operation that sends it
};

// The table: one row per quon_command_id, in that order.
inline constexpr quon_command quon_commands[] = {
    {quon_command_panel_show, "PS", "TTo", quon_reply_tested, "panelShow"},
    {quon_command_text_put, "TP", "TTT", quon_reply_none, "textPut"},
    {quon_command_text_get, "TG", "TTT", quon_reply_read, "textGet"},
    {quon_command_id_list, "XI", "TT", quon_reply_read, "getIdList"},
    {quon_command_router_name, "RN", "NNN", quon_reply_read_null, "routerName"},
    {quon_command_router_register, "RR", "NNNa", quon_reply_none, "routerRegister"},
    {quon_command_info_register, "IR", "NNNa", quon_reply_none, "infoRegister"},
    {quon_command_gpi_register, "GR", "NNNa", quon_reply_none, "gpiRegister"},
    {quon_command_router_poll, "RP", "NNN", quon_reply_none, "routerPoll"},
    {quon_command_info_poll, "IP", "NNN", quon_reply_none, "infoPoll"},
    {quon_command_gpi_poll, "GP", "NNN", quon_reply_none, "gpiPoll"},
    {quon_command_router_unregister, "RU", "N", quon_reply_none, "routerUnregister"},
    {quon_command_info_unregister, "IU", "N", quon_reply_none, "infoUnregister"},
    {quon_command_gpi_unregister, "GU", "N", quon_reply_none, "gpiUnregister"},
    {quon_command_timer_stop, "ET", "N", quon_reply_none, "timerStop"},
    {quon_command_sign_off, "AS", "", quon_reply_none, "(the script's destructor)"},
};

// The code of a row, for building a command text.
constexpr const char* quon_command_code(quon_command_id id) { return quon_commands[id].code; }

// The row whose code opens `text` (the code alone, or followed by a space);
// null for a text that is not one of the table's commands.
constexpr const quon_command* quon_find_command(const char* text) {
    if (!text || text[0] == '\0' || text[1] == '\0' || (text[2] != '\0' && text[2] != ' ')) return nullptr;
    for (const quon_command& c : quon_commands)
        if (c.code[0] == text[0] && c.code[1] == text[1]) return &c;
    return nullptr;
}

// The table's own rules: each row at its id's place, its code two capital
// letters found by no earlier row, its fields spelt with the letters above
// ('o' and 'a' last, and only once).
constexpr bool quon_command_table_valid() {
    unsigned row = 0;
    for (const quon_command& c : quon_commands) {
        if (c.id != row++) return false;
        if (c.code[0] < 'A' || c.code[0] > 'Z' || c.code[1] < 'A' || c.code[1] > 'Z' || c.code[2] != '\0') return false;
        // Compared letter by letter: GCC's sanitizers take a member array's
        // address out of constant expressions, so quon_find_command is not used here.
        for (unsigned earlier = 0; earlier + 1 < row; ++earlier)
            if (quon_commands[earlier].code[0] == c.code[0] && quon_commands[earlier].code[1] == c.code[1])
                return false;
        for (const char* f = c.fields; *f; ++f) {
            const bool last = f[1] == '\0';
            if (*f != 'T' && *f != 'N' && !((*f == 'o' || *f == 'a') && last)) return false;
        }
    }
    return row == quon_command_count;
}
static_assert(quon_command_table_valid(), "quon_commands: one row per id, in order, with valid codes and fields");

#endif
