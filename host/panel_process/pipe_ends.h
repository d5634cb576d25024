// pipe_ends (protocol_pipe): the panel process's ends of the pipe to the server, its
// standard input and output, kept from whatever the panel starts; what the
// panel itself prints goes to standard error, never into the protocol.
#ifndef HOST_PANEL_PROCESS_PIPE_ENDS_H
#define HOST_PANEL_PROCESS_PIPE_ENDS_H

#include "base/exit_status.h"
#include "protocol/frames.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quon::host {

// The protocol's two ends, taken from standard input and output.
class protocol_pipe {
public:
    protocol_pipe() {
#ifdef _WIN32
        SetConsoleCtrlHandler(nullptr, TRUE); // Ctrl-C is the server's to handle
        _setmode(_fileno(stdin), _O_BINARY);
        in_ = GetStdHandle(STD_INPUT_HANDLE);
        DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_OUTPUT_HANDLE), GetCurrentProcess(), &out_, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        std::fflush(stdout);
        _dup2(_fileno(stderr), _fileno(stdout));
        SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
#else
        std::signal(SIGINT, SIG_IGN); // it is the server's to handle
        // The protocol's ends are this process's own: what the panel starts
        // gets neither, its standard input reads nothing, its output is the errors'.
        in_ = fcntl(0, F_DUPFD_CLOEXEC, 3);
        out_ = fcntl(1, F_DUPFD_CLOEXEC, 3);
        const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (nothing >= 0) dup2(nothing, 0);
        if (nothing > 0) close(nothing);
        dup2(2, 1);
#endif
    }

    // Allocates nothing: the step guard's report is sent from its handler.
    void send(std::string_view bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
#ifdef _WIN32
            DWORD n = 0;
            if (!WriteFile(out_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr)) gone();
#else
            const ssize_t n = write(out_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) gone();
#endif
            done += static_cast<std::size_t>(n);
        }
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
#ifdef _WIN32
            DWORD n = 0;
            if (!ReadFile(in_, chunk, sizeof chunk, &n, nullptr) || n == 0) return false;
#else
            const ssize_t n = read(in_, chunk, sizeof chunk);
            if (n <= 0) return false;
#endif
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

private:
    // The server has gone: nothing is left to answer to.
    [[noreturn]] static void gone() { std::_Exit(exitEmulatorFault); }

#ifdef _WIN32
    HANDLE in_ = nullptr, out_ = nullptr;
#else
    int in_ = -1, out_ = -1;
#endif
    std::string buffer_;
};

} // namespace quon::host

#endif
