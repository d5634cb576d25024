// sockets: the calls on a socket that differ by system. A socket is passed
// as the integer both systems' socket types fit in.
#ifndef HOST_PROCESS_SOCKETS_H
#define HOST_PROCESS_SOCKETS_H

#include <cstdint>
#include <string>

namespace quon::host {

using native_socket = std::intptr_t;

// Waits up to `milliseconds` until the socket can be read (or written):
// >0 ready, 0 not in time, <0 failed.
int wait_socket(native_socket sock, bool forWrite, int milliseconds);
// Shuts both directions down and closes it.
void close_socket(native_socket sock);
// A listener's address may be taken over from a connection still closing,
// never shared with a listener that runs.
void exclusive_listener(native_socket sock);

// Why the last socket call failed.
struct socket_failure {
    int code = 0;
    bool addressInUse = false;
    std::string text; // in the system's words
};
socket_failure last_socket_failure();

} // namespace quon::host

#endif
