// Internal: the inline fast path of textPut, included at the end of
// quon_script_helper.h. Not part of the API a panel uses; it is here only so
// that every report compiles into the panel without a call.
#ifndef QUON_SCRIPT_HELPER_INL_H
#define QUON_SCRIPT_HELPER_INL_H

#include "detail/command_text.h"

// Every report renders through these two, so they are inline (always, or the
// compiler may judge the eleven copies too many): the lengths of literal
// fields are then known when compiling and their copies need no call.
// The text is sized first and written in one pass, without a check per field.
inline void quon_script_helper::textPutCommand(quon_text name, quon_text value, quon_text panel, quon_text control,
                                               int number, std::size_t numberLength) {
    if (!host) return;
    command_text text;
    char* at =
        text.extend(4 + name.length + 1 + value.length + 3 + panel.length + 3 + control.length + numberLength + 1);
    static constexpr command_opening textPutOpening = opening_of(quon_command_text_put);
    at = command_text::put(command_text::put(at, textPutOpening.bytes, 4), name.data, name.length);
    at = command_text::put(command_text::put(at, "=", 1), value.data, value.length);
    at = command_text::put(command_text::put(at, "' '", 3), panel.data, panel.length);
    at = command_text::put(command_text::put(at, "' '", 3), control.data, control.length);
    if (numberLength) command_text::putDecimal(at, numberLength, number);
    command_text::put(at + numberLength, "'", 1);
    hostCommand(text.c_str());
}

inline void quon_script_helper::textPut(quon_text name, quon_text value, quon_text panel, quon_text controlPrefix,
                                        int controlNumber) {
    textPutCommand(name, value, panel, controlPrefix, controlNumber, command_text::decimalLength(controlNumber));
}

#endif
