// redis_fanout.cpp -- yardstick for the relay: Redis pub/sub fanning lines out to subscribers
//
// Opens --subs subscriber connections on one channel and --pubs publishers that keep --window
// PUBLISH commands of --size byte lines in flight each, then counts the lines the subscribers
// receive for --seconds. One epoll loop; loopback (127.0.0.1) only; speaks the wire protocol
// directly so that nothing but a socket is needed.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bench/server/loopback.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Peer {
    int fd = -1;
    bool pub = false;
    long bytes = 0;   // received
    long replies = 0; // publishers: replies counted
    long sent = 0;    // publishers: commands sent
    std::string out;  // unsent bytes
};

static int Connect(int port) {
    return LoopbackConnect(port);
}

static bool SendAll(Peer *p) {
    return LoopbackSend(p->fd, &p->out);
}

int main(int argc, char **argv) {
    int port = 6379, subs = 1000, pubs = 2, window = 16, size = 60;
    double seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        int v = atoi(argv[i + 1]);
        if (a == "--port")
            port = v;
        else if (a == "--subs")
            subs = v;
        else if (a == "--pubs")
            pubs = v;
        else if (a == "--window")
            window = v;
        else if (a == "--size")
            size = v;
        else if (a == "--seconds")
            seconds = atof(argv[i + 1]);
        else {
            fprintf(stderr, "usage: redis_fanout [--port N] [--subs N] [--pubs N] [--window N] "
                            "[--size BYTES] [--seconds S]\n");
            return 2;
        }
    }
    rlimit rl;
    getrlimit(RLIMIT_NOFILE, &rl);
    rl.rlim_cur = rl.rlim_max;
    setrlimit(RLIMIT_NOFILE, &rl);
    const char *channel = "ships";
    std::string payload((size_t)size, 'x');
    std::string command = "*3\r\n$7\r\nPUBLISH\r\n$" + std::to_string(strlen(channel)) + "\r\n" +
                          channel + "\r\n$" + std::to_string(size) + "\r\n" + payload + "\r\n";
    std::string delivery = "*3\r\n$7\r\nmessage\r\n$" + std::to_string(strlen(channel)) + "\r\n" +
                           channel + "\r\n$" + std::to_string(size) + "\r\n" + payload + "\r\n";
    std::string confirm = "*3\r\n$9\r\nsubscribe\r\n$" + std::to_string(strlen(channel)) + "\r\n" +
                          channel + "\r\n:1\r\n";
    int ep = epoll_create1(0);
    std::vector<Peer> peers((size_t)(subs + pubs));
    for (int i = 0; i < subs + pubs; i++) {
        Peer &p = peers[(size_t)i];
        p.fd = Connect(port);
        if (p.fd < 0) {
            fprintf(stderr, "connect %d: %s\n", i, strerror(errno));
            return 1;
        }
        p.pub = i >= subs;
        if (!p.pub) {
            p.out = std::string("SUBSCRIBE ") + channel + "\r\n";
            SendAll(&p);
        }
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.ptr = &p;
        epoll_ctl(ep, EPOLL_CTL_ADD, p.fd, &ev);
    }
    std::vector<epoll_event> evs(1024);
    static char buf[262144];
    // Wait for every subscription before publishing.
    double t_wait = Now() + 10;
    for (;;) {
        long ready = 0;
        for (int i = 0; i < subs; i++)
            ready += peers[(size_t)i].bytes >= (long)confirm.size();
        if (ready == subs) break;
        if (Now() > t_wait) {
            fprintf(stderr, "only %ld of %d subscribed\n", ready, subs);
            return 1;
        }
        int n = epoll_wait(ep, evs.data(), (int)evs.size(), 10);
        for (int i = 0; i < n; i++) {
            Peer *p = (Peer *)evs[(size_t)i].data.ptr;
            ssize_t r = recv(p->fd, buf, sizeof buf, MSG_DONTWAIT);
            if (r > 0) p->bytes += r;
        }
    }
    for (int i = subs; i < subs + pubs; i++) {
        Peer &p = peers[(size_t)i];
        for (int k = 0; k < window; k++)
            p.out += command;
        p.sent = window;
        SendAll(&p);
    }
    double start = Now(), warm = start + 1, end = warm + seconds;
    long sub_bytes_at = 0, published_at = 0;
    bool counting = false;
    for (;;) {
        double now = Now();
        if (!counting && now >= warm) {
            counting = true;
            for (int i = 0; i < subs; i++)
                sub_bytes_at += peers[(size_t)i].bytes;
            for (int i = subs; i < subs + pubs; i++)
                published_at += peers[(size_t)i].replies;
            start = now;
        }
        if (now >= end) break;
        int n = epoll_wait(ep, evs.data(), (int)evs.size(), 10);
        for (int i = 0; i < n; i++) {
            Peer *p = (Peer *)evs[(size_t)i].data.ptr;
            ssize_t r = recv(p->fd, buf, sizeof buf, MSG_DONTWAIT);
            if (r == 0) {
                fprintf(stderr, "redis closed a connection (output buffer limit?)\n");
                return 1;
            }
            if (r < 0) continue;
            p->bytes += r;
            if (!p->pub) continue;
            // Each reply (":N\r\n") frees one slot of the window.
            long got = 0;
            for (ssize_t k = 0; k < r; k++)
                got += buf[k] == '\n';
            p->replies += got;
            for (long k = 0; k < got; k++)
                p->out += command;
            p->sent += got;
            SendAll(p);
        }
    }
    double wall = Now() - start;
    long sub_bytes = -sub_bytes_at, published = -published_at;
    for (int i = 0; i < subs; i++)
        sub_bytes += peers[(size_t)i].bytes;
    for (int i = subs; i < subs + pubs; i++)
        published += peers[(size_t)i].replies;
    double lines = (double)sub_bytes / (double)delivery.size();
    printf("redis fan-out: %.0f lines/s delivered to %d subscribers (%d-byte lines, %.0f "
           "publishes/s, %d publishers x %d in flight, %.1f s)\n",
           lines / wall, subs, size, (double)published / wall, pubs, window, wall);
    for (Peer &p : peers)
        close(p.fd);
    return 0;
}
