// protocol_ends on POSIX systems: the ends are duplicated above the standard
// descriptors, closed on exec; standard input becomes /dev/null and standard
// output the errors'.
#include "process/protocol_ends.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quon::host {

protocol_ends take_protocol_ends() {
    std::signal(SIGINT, SIG_IGN);
    protocol_ends ends{fcntl(0, F_DUPFD_CLOEXEC, 3), fcntl(1, F_DUPFD_CLOEXEC, 3)};
    const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nothing >= 0) dup2(nothing, 0);
    if (nothing > 0) close(nothing);
    dup2(2, 1);
    return ends;
}

} // namespace quon::host
