// loopback.h -- the socket helpers the Redis yardsticks share: loopback connections only
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

// A TCP connection to 127.0.0.1:port with Nagle off, or -1.
static inline int LoopbackConnect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (sockaddr *)&a, sizeof a) != 0) {
        close(fd);
        return -1;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// Sends what the socket takes of *out and keeps the rest; false when the connection failed.
static inline bool LoopbackSend(int fd, std::string *out) {
    while (!out->empty()) {
        ssize_t n = send(fd, out->data(), out->size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
        out->erase(0, (size_t)n);
    }
    return true;
}
