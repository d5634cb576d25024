// input_file: reading a file a user names as input (a scenario, a devices
// file), telling apart what the system refused (the emulator cannot go on:
// its own failure) from what is no such input (a directory, a file too large
// to be one: the caller's fault). Only regular files are read.
#ifndef HOST_BASE_INPUT_FILE_H
#define HOST_BASE_INPUT_FILE_H

#include <cstddef>
#include <string>

namespace quon::host {

enum class load_result {
    ok,
    unreadable, // the system refused to open or read it: error has its reason
    invalid,    // not an input of this kind: a directory, too large, or a syntax error
};

// Refuses an existing path that is not a regular file (a directory, FIFO,
// device or socket) as invalid, with the reason; ok for anything else, which
// the reader then opens.
load_result check_input_file(const std::string& path, const char* what, std::string& error);
// Reads the whole file into `text`, at most maxBytes; `what` names the input
// in messages ("scenario").
load_result read_input_file(const std::string& path, const char* what, std::size_t maxBytes, std::string& text,
                            std::string& error);

// The same, then `parse(text)`, a reader that fills error with
// "file:line: why" and returns false on a mistake (invalid).
template <typename Parse>
load_result read_input_file(const std::string& path, const char* what, std::size_t maxBytes, std::string& error,
                            Parse parse) {
    std::string text;
    const load_result read = read_input_file(path, what, maxBytes, text, error);
    if (read != load_result::ok) return read;
    return parse(text) ? load_result::ok : load_result::invalid;
}

} // namespace quon::host

#endif
