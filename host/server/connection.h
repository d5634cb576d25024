// connection: how "serve" holds one accepted connection. cpp-httplib
// reads every request through a stream it makes anew, so what it read ahead
// (a pipelined request) was lost, and it gives a whole request no deadline,
// so a client sending a header line now and then held a server thread for
// good. Here a connection keeps one buffered stream for its whole life, with
// TCP_NODELAY (an answer never waits for the client's delayed acknowledgement),
// a deadline for reading each request, a bounded wait between requests, and a
// way for a long answer (the event stream) to see that its page has gone.
#ifndef HOST_SERVER_CONNECTION_H
#define HOST_SERVER_CONNECTION_H

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>

namespace quon::host {

struct connection_limits {
    std::chrono::milliseconds request{3000}; // to read one request: line, headers, body
    std::chrono::milliseconds idle{15000};   // between two requests on one connection
    std::chrono::milliseconds write{5000};   // for one write to make progress
};

class connection_stream : public httplib::Stream {
public:
    connection_stream(socket_t sock, const connection_limits& limits) : sock_(sock), limits_(limits) {}

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return sock_; }

    // Waits up to `idle` for the next request (true at once when one is
    // buffered already); false when the client is gone or `stopping` is set.
    bool next_request(const std::atomic<bool>& stopping);
    void start_request();
    // Whether the client has closed its side (nothing buffered, end of file).
    bool peer_gone() const;
    // The answer being written is the connection's last.
    bool closeAfter = false;

private:
    std::chrono::milliseconds left() const;

    // The ends of a connection do not change: asked once, not per request.
    struct end_address {
        bool known = false;
        std::string ip;
        int port = 0;
    };
    static void address(socket_t sock, bool remote, end_address& cached, std::string& ip, int& port);

    socket_t sock_;
    const connection_limits& limits_;
    mutable end_address remote_, local_;
    std::chrono::steady_clock::time_point deadline_;
    std::string buffer_;
    std::size_t taken_ = 0;
};

// An httplib::Server whose connections are served as above.
class connection_server : public httplib::Server {
public:
    connection_limits limits;
    std::atomic<bool> stopping{false};
    // The connection the calling server thread serves (null elsewhere).
    static connection_stream* current();

private:
    bool process_and_close_socket(socket_t sock) override;
};

// Options for the listening socket: the address may be taken over from a
// connection still closing, never shared with a listener that runs.
void listener_options(socket_t sock);
// Why 127.0.0.1:port cannot be bound, in the system's words.
std::string bind_failure(int port);

} // namespace quon::host

#endif
