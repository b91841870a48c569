// redis_relay.cpp -- yardstick for the relay delay: the battle's order relay done by Redis pub/sub
//
// --ships ships sit in areas of --area ships. Each ship has a channel; each ship's subscriber
// connection listens to the channels of the other ships in its area, as a player watches the
// ships near it. Every ship publishes --rate lines a second at its own moment through one of
// --pubs publisher connections; each line carries its send time, and the subscribers timestamp
// what arrives. The result is the delay from a ship's order to its watchers (p50, p99, max) and
// the deliveries lost, on the same load kestrune-bot puts on the game server. One epoll loop;
// loopback (127.0.0.1) only; speaks the wire protocol directly.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include "bench/server/loopback.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Peer {
    int fd = -1;
    bool pub = false;
    long confirmed = 0; // subscriber: subscriptions confirmed
    long received = 0;  // subscriber: lines counted after the warm-up
    std::string in;     // unparsed tail of the stream
    std::string out;    // unsent bytes
};

static int Connect(int port) {
    return LoopbackConnect(port);
}

static bool SendAll(Peer *p) {
    return LoopbackSend(p->fd, &p->out);
}

static std::string Bulk(const std::string &s) {
    return "$" + std::to_string(s.size()) + "\r\n" + s + "\r\n";
}

int main(int argc, char **argv) {
    int port = 6379, ships = 1000, area = 27, pubs = 100, size = 60;
    double rate = 10, seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        int v = atoi(argv[i + 1]);
        if (a == "--port")
            port = v;
        else if (a == "--ships")
            ships = v;
        else if (a == "--area")
            area = v;
        else if (a == "--pubs")
            pubs = v;
        else if (a == "--size")
            size = v;
        else if (a == "--rate")
            rate = atof(argv[i + 1]);
        else if (a == "--seconds")
            seconds = atof(argv[i + 1]);
        else {
            fprintf(stderr, "usage: redis_relay [--port N] [--ships N] [--area N] [--pubs N] "
                            "[--rate PER_S] [--size BYTES] [--seconds S]\n");
            return 2;
        }
    }
    if (ships < 2 || area < 2 || pubs < 1 || rate <= 0 || size < 20) {
        fprintf(stderr, "redis_relay: need ships and area of at least 2, a rate, size >= 20\n");
        return 2;
    }
    pubs = std::min(pubs, ships);
    rlimit rl;
    getrlimit(RLIMIT_NOFILE, &rl);
    rl.rlim_cur = rl.rlim_max;
    setrlimit(RLIMIT_NOFILE, &rl);

    int ep = epoll_create1(0);
    std::vector<Peer> peers((size_t)(ships + pubs));
    std::vector<long> want((size_t)ships, 0); // subscriptions each subscriber waits for
    for (int i = 0; i < ships + pubs; i++) {
        Peer &p = peers[(size_t)i];
        p.fd = Connect(port);
        if (p.fd < 0) {
            fprintf(stderr, "connect %d: %s\n", i, strerror(errno));
            return 1;
        }
        p.pub = i >= ships;
        if (!p.pub) {
            int first = i / area * area, last = std::min(ships, first + area);
            std::vector<std::string> args{"SUBSCRIBE"};
            for (int j = first; j < last; j++)
                if (j != i) args.push_back("s" + std::to_string(j));
            want[(size_t)i] = (long)args.size() - 1;
            p.out = "*" + std::to_string(args.size()) + "\r\n";
            for (auto &s : args)
                p.out += Bulk(s);
            SendAll(&p);
        }
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.ptr = &p;
        epoll_ctl(ep, EPOLL_CTL_ADD, p.fd, &ev);
    }

    std::vector<epoll_event> evs(1024);
    static char buf[262144];
    std::vector<uint32_t> delays; // microseconds, after the warm-up
    delays.reserve((size_t)(ships * rate * (area - 1) * (seconds + 1)));
    bool counting = false;
    int64_t count_from = 0;
    long stray = 0;

    // Parses complete lines: ":n" confirms a subscription, "T<hex>" is a line's send time.
    auto Take = [&](Peer *p, const char *data, size_t n, int64_t now) {
        p->in.append(data, n);
        size_t pos = 0;
        for (;;) {
            size_t nl = p->in.find('\n', pos);
            if (nl == std::string::npos) break;
            const char *line = p->in.data() + pos;
            if (!p->pub && line[0] == ':') {
                p->confirmed++;
            } else if (!p->pub && line[0] == 'T') {
                int64_t sent = (int64_t)strtoull(line + 1, nullptr, 16);
                if (counting && sent >= count_from) {
                    delays.push_back((uint32_t)std::min<int64_t>(now - sent, UINT32_MAX));
                    p->received++;
                }
            } else if (p->pub && line[0] != ':') {
                stray++;
            }
            pos = nl + 1;
        }
        p->in.erase(0, pos);
    };
    auto Poll = [&](int timeout_ms) -> bool {
        int n = epoll_wait(ep, evs.data(), (int)evs.size(), timeout_ms);
        int64_t now = NowUs();
        for (int i = 0; i < n; i++) {
            Peer *p = (Peer *)evs[(size_t)i].data.ptr;
            for (;;) {
                ssize_t r = recv(p->fd, buf, sizeof buf, MSG_DONTWAIT);
                if (r == 0) {
                    fprintf(stderr, "redis closed a connection (output buffer limit?)\n");
                    return false;
                }
                if (r < 0) break;
                Take(p, buf, (size_t)r, now);
                if ((size_t)r < sizeof buf) break;
            }
        }
        return true;
    };

    // Every subscription confirmed before the first order.
    int64_t give_up = NowUs() + 10000000;
    for (;;) {
        long ready = 0;
        for (int i = 0; i < ships; i++)
            ready += peers[(size_t)i].confirmed >= want[(size_t)i];
        if (ready == ships) break;
        if (NowUs() > give_up) {
            fprintf(stderr, "only %ld of %d subscribers ready\n", ready, ships);
            return 1;
        }
        if (!Poll(10)) return 1;
    }

    // Ship k publishes at start + (k + n * ships) * gap, n = 0, 1, ...: evenly spread moments.
    double gap = 1e6 / (rate * ships);
    int64_t start = NowUs(), warm = start + 1000000, end = warm + (int64_t)(seconds * 1e6);
    long published = 0, late = 0;
    uint64_t seq = 0;
    std::string payload_pad((size_t)size, 'x');
    for (;;) {
        int64_t now = NowUs();
        if (!counting && now >= warm) {
            counting = true;
            count_from = now;
        }
        if (now >= end) break;
        while (start + (int64_t)((double)seq * gap) <= now) {
            int ship = (int)(seq % (uint64_t)ships);
            seq++;
            Peer &pub = peers[(size_t)(ships + ship % pubs)];
            char stamp[24];
            snprintf(stamp, sizeof stamp, "T%016" PRIx64, (uint64_t)now);
            std::string payload = stamp + payload_pad.substr(17);
            pub.out += "*3\r\n$7\r\nPUBLISH\r\n" + Bulk("s" + std::to_string(ship)) + Bulk(payload);
            if (counting) published++;
            if (now - (start + (int64_t)((double)(seq - 1) * gap)) > 1000) late++;
        }
        for (int i = ships; i < ships + pubs; i++)
            if (!peers[(size_t)i].out.empty()) SendAll(&peers[(size_t)i]);
        int64_t next = start + (int64_t)((double)seq * gap);
        int wait = (int)std::max<int64_t>(0, (next - NowUs()) / 1000);
        if (!Poll(wait)) return 1;
    }
    // Lines published in the last moments are still on their way: let them arrive.
    int64_t drain = NowUs() + 500000;
    while (NowUs() < drain)
        if (!Poll(10)) return 1;

    double wall = (double)(end - count_from) / 1e6;
    long expected = 0, got = 0;
    for (int i = 0; i < ships; i++)
        got += peers[(size_t)i].received;
    // Each publish reaches the other ships of its area.
    double mean_watchers = 0;
    for (int k = 0; k < ships; k++) {
        int first = k / area * area, last = std::min(ships, first + area);
        mean_watchers += last - first - 1;
    }
    mean_watchers /= ships;
    expected = (long)((double)published * mean_watchers + 0.5);
    std::sort(delays.begin(), delays.end());
    auto Pct = [&](double q) {
        if (delays.empty()) return 0.0;
        return delays[std::min(delays.size() - 1, (size_t)(q * (double)delays.size()))] / 1000.0;
    };
    printf("redis relay: %d ships in areas of %d, %.0f orders/s each, %d publishers, %.1f s\n",
           ships, area, rate, pubs, wall);
    printf("redis relay delay: %zu samples, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
           delays.size(), Pct(0.50), Pct(0.99), delays.empty() ? 0.0 : delays.back() / 1000.0);
    printf("redis relay: %.0f publishes/s, %.0f deliveries/s, %ld of about %ld delivered, "
           "%ld publishes late by over 1 ms, %ld stray replies\n",
           (double)published / wall, (double)got / wall, got, expected, late, stray);
    for (Peer &p : peers)
        close(p.fd);
    return 0;
}
