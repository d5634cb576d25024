// pipe_ends (protocol_pipe): the panel process's ends of the pipe to the server, its
// standard input and output, kept from whatever the panel starts; what the
// panel itself prints goes to standard error, never into the protocol.
#ifndef HOST_PANEL_PROCESS_PIPE_ENDS_H
#define HOST_PANEL_PROCESS_PIPE_ENDS_H

#include "base/exit_status.h"
#include "process/protocol_ends.h"
#include "protocol/frames.h"

#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

namespace quon::host {

// The protocol's two ends, taken from standard input and output.
class protocol_pipe {
public:
    protocol_pipe() : ends_(take_protocol_ends()) {}

    // Allocates nothing: the step guard's report is sent from its handler.
    void send(std::string_view bytes) {
        if (!write_file(ends_.out, bytes.data(), bytes.size())) gone();
    }

    // The next frame from the server; false at the end of its input.
    bool receive(std::string& name, std::string& bytes) {
        std::string why;
        for (;;) {
            switch (take_frame(buffer_, name, bytes, why)) {
            case frame_status::frame:
                return true;
            case frame_status::garbage:
                std::cerr << "panel_host: from the server: " << why << "\n";
                return false;
            case frame_status::more:
                break;
            }
            char chunk[4096];
            const long n = read_file(ends_.in, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    // The server has gone: nothing is left to answer to.
    [[noreturn]] static void gone() { std::_Exit(exitEmulatorFault); }

    protocol_ends ends_;
    std::string buffer_;
};

} // namespace quon::host

#endif
