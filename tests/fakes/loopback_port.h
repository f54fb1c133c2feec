// A TCP port on 127.0.0.1 that nobody listens on, for peers the tests start.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bb::testing {

inline sockaddr_in LoopbackAddress(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<unsigned short>(port));
    return a;
}

// Below the kernel's own range for outgoing connections (from 32768): a port
// there can be taken by a connection's own end, even by a probe that then
// connects to itself. From a point that differs per process.
inline int FreeLoopbackPort() {
    static int next = 20000 + static_cast<int>(::getpid() % 600) * 20;
    for (int tries = 0; tries < 2000; ++tries) {
        const int port = next;
        next = next >= 32700 ? 20000 : next + 1;
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in a = LoopbackAddress(port);
        const bool free = ::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
        ::close(fd);
        if (free) return port;
    }
    return -1;
}

// True once something listens on the port.
inline bool LoopbackListening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in a = LoopbackAddress(port);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

}  // namespace bb::testing
