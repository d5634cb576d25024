// sockets on Windows (Winsock).
#include "process/sockets.h"

#include <winsock2.h>

namespace quon::host {

namespace {
SOCKET socket_of(native_socket sock) { return static_cast<SOCKET>(sock); }
} // namespace

int wait_socket(native_socket sock, bool forWrite, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket_of(sock), &set);
    timeval tv{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, &tv);
}

void close_socket(native_socket sock) {
    shutdown(socket_of(sock), SD_BOTH);
    closesocket(socket_of(sock));
}

void exclusive_listener(native_socket sock) {
    int on = 1;
    setsockopt(socket_of(sock), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
}

socket_failure last_socket_failure() {
    const int code = WSAGetLastError();
    return {code, code == WSAEADDRINUSE, "system error " + std::to_string(code)};
}

} // namespace quon::host
