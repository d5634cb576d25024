// sockets on POSIX systems.
#include "process/sockets.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quon::host {

int wait_socket(native_socket sock, bool forWrite, int milliseconds) {
    pollfd p{static_cast<int>(sock), static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    return poll(&p, 1, milliseconds);
}

void close_socket(native_socket sock) {
    shutdown(static_cast<int>(sock), SHUT_RDWR);
    close(static_cast<int>(sock));
}

void exclusive_listener(native_socket sock) {
    int on = 1; // no SO_REUSEPORT: a port in use is an error
    setsockopt(static_cast<int>(sock), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

socket_failure last_socket_failure() {
    const int code = errno;
    return {code, code == EADDRINUSE, std::strerror(code)};
}

} // namespace quon::host
