// Stands in for serve's panel process to break the pipe's protocol, as --base
// says: "garbage" answers an action with bytes that are no frame, "die" ends
// halfway through a frame, "silent" never answers, "stray" changes a control
// group the picture does not have, "forked" answers each action twice, as a
// panel that forked and whose child carried on would. A program of its own, so
// that the Windows build starts it under wine as it starts its own process.
#include "protocol/messages.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define read _read
#else
#include <unistd.h>
#endif

using namespace quon::host;

namespace {

void send(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::string mode;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--base") == 0) mode = argv[i + 1];
    send(frame("ready", "0"));
    std::string buffer, name, bytes, why;
    std::string asked; // the number the server gave the message answered, when it numbers them
    const auto numbered = [&](const std::string& answer) {
        return (asked.empty() ? "" : frame("answers", asked)) + answer;
    };
    char chunk[4096];
    for (;;) {
        frame_status s;
        while ((s = take_frame(buffer, name, bytes, why)) == frame_status::frame) {
            std::string origin, step;
            if (name == "ask") asked = bytes;
            else if (name == "begin") send(numbered(frame("begun", "")));
            else if (name == "finish" && mode == "forked") {
                send(numbered(frame("bye", "")));
                return 0;
            } else if (name != "act") continue;
            else if (mode == "forked" && read_act(bytes, origin, step)) {
                const std::string answer = numbered(frame("result", frame("ok", "1") + frame("step", step)));
                send(answer);
                send(answer);
            } else if (mode == "garbage") send("HTTP/1.1 200 OK\r\n\r\n");
            else if (mode == "stray") send(frame("state", frame("control", "5\n<g/>")));
            else if (mode == "die") {
                send("log 100\nhalf a line");
                return 0;
            } else std::this_thread::sleep_for(std::chrono::hours(1));
        }
        const auto n = read(0, chunk, sizeof chunk);
        if (s == frame_status::garbage || n <= 0) return 2;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}
