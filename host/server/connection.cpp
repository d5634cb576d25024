#include "server/connection.h"

#include "process/sockets.h"

#include <algorithm>
#include <cstdlib>

namespace quon::host {

namespace {

using steady = std::chrono::steady_clock;
constexpr std::size_t readChunk = 4096;

thread_local connection_stream* serving = nullptr;

// Waits until the socket can be read (or written); >0 ready, 0 not in time.
int wait_ready(socket_t sock, bool forWrite, std::chrono::milliseconds wait) {
    const int ms = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
    return wait_socket(static_cast<native_socket>(sock), forWrite, ms);
}

void address_of(socket_t sock, bool remote, std::string& ip, int& port) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    const int r = remote ? getpeername(sock, reinterpret_cast<sockaddr*>(&addr), &len)
                         : getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
    char host[NI_MAXHOST] = "", service[NI_MAXSERV] = "";
    if (r != 0 || getnameinfo(reinterpret_cast<sockaddr*>(&addr), len, host, sizeof host, service, sizeof service,
                              NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    ip = host;
    port = std::atoi(service);
}

void close_connection(socket_t sock) { close_socket(static_cast<native_socket>(sock)); }

} // namespace

std::chrono::milliseconds connection_stream::left() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - steady::now());
}

bool connection_stream::is_readable() const { return taken_ < buffer_.size() || wait_ready(sock_, false, left()) > 0; }

bool connection_stream::is_writable() const { return !peer_gone() && wait_ready(sock_, true, limits_.write) > 0; }

ssize_t connection_stream::read(char* ptr, size_t size) {
    if (taken_ == buffer_.size()) {
        if (wait_ready(sock_, false, left()) <= 0) return -1; // the request's time is up
        buffer_.resize(readChunk);
        const auto n = recv(sock_, &buffer_[0], static_cast<int>(readChunk), 0);
        buffer_.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        taken_ = 0;
        if (n <= 0) return -1;
    }
    const std::size_t n = std::min(size, buffer_.size() - taken_);
    std::memcpy(ptr, buffer_.data() + taken_, n);
    taken_ += n;
    return static_cast<ssize_t>(n);
}

ssize_t connection_stream::write(const char* ptr, size_t size) {
#ifdef MSG_NOSIGNAL
    const int flags = MSG_NOSIGNAL; // a page that has gone is an error here, not a signal
#else
    const int flags = 0;
#endif
    std::size_t done = 0;
    while (done < size) {
        if (wait_ready(sock_, true, limits_.write) <= 0) return -1;
        const auto n = send(sock_, ptr + done, static_cast<int>(std::min<std::size_t>(size - done, 1 << 20)), flags);
        if (n <= 0) return -1;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(size);
}

void connection_stream::address(socket_t sock, bool remote, end_address& cached, std::string& ip, int& port) {
    if (!cached.known) {
        address_of(sock, remote, cached.ip, cached.port);
        cached.known = true;
    }
    ip = cached.ip;
    port = cached.port;
}

void connection_stream::get_remote_ip_and_port(std::string& ip, int& port) const {
    address(sock_, true, remote_, ip, port);
}

void connection_stream::get_local_ip_and_port(std::string& ip, int& port) const {
    address(sock_, false, local_, ip, port);
}

bool connection_stream::next_request(const std::atomic<bool>& stopping) {
    if (taken_ < buffer_.size()) return !stopping;
    const auto until = steady::now() + limits_.idle;
    while (!stopping && steady::now() < until) {
        const int r = wait_ready(sock_, false, std::chrono::milliseconds(100)); // stopping is seen soon
        if (r < 0) return false;
        if (r > 0) return !peer_gone();
    }
    return false;
}

void connection_stream::start_request() { deadline_ = steady::now() + limits_.request; }

bool connection_stream::peer_gone() const {
    if (taken_ < buffer_.size()) return false;
    const int r = wait_ready(sock_, false, std::chrono::milliseconds(0));
    if (r == 0) return false;
    char first;
    return r < 0 || recv(sock_, &first, 1, MSG_PEEK) <= 0;
}

connection_stream* connection_server::current() { return serving; }

bool connection_server::process_and_close_socket(socket_t sock) {
    int on = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    connection_stream stream(sock, limits);
    serving = &stream;
    bool ok = true;
    while (ok && stream.next_request(stopping)) {
        stream.start_request();
        bool closed = false;
        // The library's own reading and answering of one request (a protected
        // member), through the stream that lives as long as the connection.
        ok = process_request(stream, false, closed, nullptr) && !closed && !stream.closeAfter;
    }
    serving = nullptr;
    close_connection(sock);
    return true;
}

void listener_options(socket_t sock) { exclusive_listener(static_cast<native_socket>(sock)); }

std::string bind_failure(int port) {
    const socket_t sock = ::socket(AF_INET, SOCK_STREAM, 0);
    listener_options(sock);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<unsigned short>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int r = ::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    const socket_failure why = r == 0 ? socket_failure{} : last_socket_failure();
    close_connection(sock);
    if (why.addressInUse) return "address in use";
    return why.code ? why.text : "the listening socket could not be opened";
}

} // namespace quon::host
