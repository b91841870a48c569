// kestrune_bot.cpp -- load tool: many loopback players that log in, sit in the lobby or sail
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/motion.h"
#include "server/srv_line.h"
#include "server/srv_log.h"
#include "server/srv_server.h"

using Clock = std::chrono::steady_clock;

// The world's average step cost and ship count, read on the server's thread (bot_world.cpp).
double BotWorldStep(SrvHandle *h, int *ships);

static double Now() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

enum { B_CONNECTING, B_GREETED, B_LOGIN, B_LOBBY, B_JOINING, B_SAILING, B_DONE };

struct Bot {
    int fd = -1;
    int state = B_CONNECTING;
    int index = 0;
    LineFramer framer;
    std::string out;
    uint32_t id = 0;
    MotionState m{};
    double last_move = 0, next_order = 0, next_fire = 0;
    double t_connect = 0, t_login = 0, t_greet = 0, t_namereq = 0;
};
static double sum_greet = 0, sum_namereq = 0, sum_logon = 0;

struct Stats {
    long connected = 0, logged = 0, sailing = 0, closed = 0, lines_in = 0, lines_out = 0;
    long updates_in = 0, launches = 0, echoes = 0, nojoin = 0;
    double first_connect = 0, all_connected = 0, all_logged = 0;
    std::vector<double> relay; // seconds
};

struct Sent {
    double t;
    int32_t engine, helm;
};

static MotionCoeffs coeffs[10];
static bool have_coeffs[10];
static std::unordered_map<uint32_t, Sent> last_sent; // ship id -> its last order change
static Stats st;
static int epfd;

static void Want(Bot *b, bool write) {
    epoll_event ev{};
    ev.events = EPOLLIN | (write ? (uint32_t)EPOLLOUT : 0u);
    ev.data.ptr = b;
    epoll_ctl(epfd, EPOLL_CTL_MOD, b->fd, &ev);
}

static void Send(Bot *b, const std::string &line) {
    bool was_empty = b->out.empty();
    b->out += line;
    b->out += '\n';
    st.lines_out++;
    if (was_empty) {
        ssize_t n = send(b->fd, b->out.data(), b->out.size(), MSG_NOSIGNAL);
        if (n > 0) b->out.erase(0, (size_t)n);
        if (!b->out.empty()) Want(b, true);
    }
}

static void SendUpdate(Bot *b) {
    char line[200];
    snprintf(line, sizeof line,
             "8:%" PRIx32 ":1:%" PRIx32 ":%" PRIx32 ":%" PRIx32 ":%x:%x:%x:%x:%" PRIx32 ":%" PRIx32
             ":%" PRIx32,
             b->id, VelocityToWire(b->m.vx), VelocityToWire(b->m.vy), VelocityToWire(b->m.vz),
             (unsigned)b->m.engine, (unsigned)b->m.helm, (unsigned)b->m.trim,
             (unsigned)b->m.heading, (uint32_t)b->m.x, (uint32_t)b->m.y, (uint32_t)b->m.z);
    Send(b, line);
}

struct Options {
    int port = 6000;
    int n = 100;
    bool battle = false;
    double seconds = 10, rate = 1.0;
    std::string prefix = "bot";
    int self = 0; // start an in-process server
    std::string hash_cost = "min";
    int drones = 20;
    long server_pid = 0;
    int type = 3;
    int window = 128; // connections being opened at once
    bool connect_only = false;
};

static void HandleLine(Bot *b, std::string_view line, const Options &o, double now) {
    st.lines_in++;
    PacketLine p;
    if (line == "MorningTideOverGreyHarbour") {
        Send(b, "1:107");
        return;
    }
    if (!LineParsePacket(line, &p)) return;
    char buf[128];
    switch (p.number) {
    case 2:
        if (o.connect_only) break;
        snprintf(buf, sizeof buf, "3:%s%d:pw%d", o.prefix.c_str(), b->index, b->index);
        Send(b, buf);
        b->state = B_LOGIN;
        break;
    case 9:
        b->t_namereq = now;
        sum_namereq += now - b->t_greet;
        snprintf(buf, sizeof buf, "10:%s%d:%d", o.prefix.c_str(), b->index, b->index % 2);
        Send(b, buf);
        break;
    case 4:
        b->state = B_DONE;
        break;
    case 11:
        b->state = B_LOBBY;
        b->t_login = now;
        sum_logon += now - (b->t_namereq ? b->t_namereq : b->t_greet);
        if (++st.logged == o.n) st.all_logged = now;
        if (o.battle) Send(b, "22"); // as the client does after every logon
        break;
    case 23:
        if (o.battle && b->state == B_LOBBY) {
            snprintf(buf, sizeof buf, "24:0:%d:hms test", o.battle ? (b->index % 3) + 1 : o.type);
            Send(b, buf);
            b->state = B_JOINING;
        }
        break;
    case 25:
        st.nojoin++;
        break;
    case 26:
        b->id = (uint32_t)strtoul(std::string(p.arg).c_str(), nullptr, 10);
        break;
    case 30: {
        std::string_view f[22];
        if (LineSplit(p.arg, f, 22) != 22) break;
        uint32_t v[22];
        for (int i = 0; i < 22; i++)
            LineHex(f[i], &v[i]);
        if (v[0] >= 10) break;
        MotionCoeffs &c = coeffs[v[0]];
        for (int i = 0; i < 5; i++) {
            c.speed_table[i] = CoeffFromWire(v[1 + i]);
            c.turn_table[i] = CoeffFromWire(v[6 + i]);
            c.dive_table[i] = CoeffFromWire(v[12 + i]);
        }
        c.drag = CoeffFromWire(v[11]);
        c.submerged = CoeffFromWire(v[21]);
        have_coeffs[v[0]] = true;
        break;
    }
    case 27: {
        std::string_view f[17];
        if (LineSplit(p.arg, f, 17) != 17) break;
        uint32_t id, heading, x, y, z;
        LineHex(f[4], &id);
        if (id != b->id || b->state != B_JOINING) break;
        LineHex(f[13], &heading);
        LineHex(f[14], &x);
        LineHex(f[15], &y);
        LineHex(f[16], &z);
        b->m.engine = 2;
        b->m.helm = 2;
        b->m.trim = 0x8002;
        MotionSetPosition(&b->m, (int32_t)x, (int32_t)y, (int32_t)z, (uint16_t)heading);
        b->last_move = now;
        b->state = B_SAILING;
        b->next_order = now + (double)(rand() % 1000) / 1000.0 / o.rate;
        b->next_fire = now + 5 + rand() % 20;
        st.sailing++;
        break;
    }
    case 8: {
        st.updates_in++;
        std::string_view f[12];
        if (LineSplit(p.arg, f, 12) != 12) break;
        uint32_t id, kind, engine, helm;
        LineHex(f[0], &id);
        LineHex(f[1], &kind);
        LineHex(f[5], &engine);
        LineHex(f[6], &helm);
        if (id == b->id) { // the server corrects us
            uint32_t x, y, z, h;
            LineHex(f[8], &h);
            LineHex(f[9], &x);
            LineHex(f[10], &y);
            LineHex(f[11], &z);
            MotionSetPosition(&b->m, (int32_t)x, (int32_t)y, (int32_t)z, (uint16_t)h);
            break;
        }
        auto it = last_sent.find(id);
        if (kind == 0 && it != last_sent.end() && it->second.engine == (int32_t)engine &&
            it->second.helm == (int32_t)helm)
            st.relay.push_back(now - it->second.t);
        break;
    }
    case 28:
        if (b->state == B_SAILING) SendUpdate(b);
        break;
    case 13: {
        std::string_view f[7];
        if (LineSplit(p.arg, f, 7) == 7 && f[2] == "0") {
            uint32_t second;
            LineHex(f[1], &second);
            if (second == b->id) st.echoes++;
        }
        break;
    }
    default:
        break;
    }
}

static void Sail(Bot *b, const Options &o, double now) {
    int row = b->index % 3 + 1 == 1 ? 2 : b->index % 3 + 1 == 2 ? 1 : 5;
    if (have_coeffs[row]) {
        MotionStep(&b->m, &coeffs[row], (now - b->last_move) * 2.0);
        b->last_move = now;
    }
    if (now >= b->next_order) {
        b->next_order += 1.0 / o.rate;
        // Steer now and then, change speed now and then: every order change is one line.
        int r = rand() % 8;
        if (r < 5)
            b->m.helm = (b->m.helm + 1 + rand() % 4) % 5;
        else
            b->m.engine = 3 + (b->m.engine == 3);
        last_sent[b->id] = Sent{now, b->m.engine, b->m.helm};
        SendUpdate(b);
    }
    if (now >= b->next_fire && row != 2) {
        b->next_fire = now + 30;
        char line[120];
        snprintf(line, sizeof line, "13:ffffffff:%" PRIx32 ":0:0:%x:%" PRIx32 ":%" PRIx32, b->id,
                 (unsigned)(b->m.heading + rand() % 0x2000), (uint32_t)b->m.x, (uint32_t)b->m.z);
        Send(b, line);
        st.launches++;
    }
}

static long Rss(long pid) {
    char path[64];
    snprintf(path, sizeof path, pid ? "/proc/%ld/status" : "/proc/self/status", pid);
    FILE *f = fopen(path, "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, f))
        if (sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
    fclose(f);
    return kb;
}

static double Pct(std::vector<double> &v, double p) {
    if (v.empty()) return 0;
    size_t i = (size_t)(p * (double)(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + (long)i, v.end());
    return v[i];
}

int main(int argc, char **argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        const char *v = argv[i + 1];
        if (a == "--port")
            o.port = atoi(v);
        else if (a == "-n")
            o.n = atoi(v);
        else if (a == "--mode") {
            o.battle = !strcmp(v, "battle");
            o.connect_only = !strcmp(v, "connect");
        } else if (a == "--seconds")
            o.seconds = atof(v);
        else if (a == "--rate")
            o.rate = atof(v);
        else if (a == "--prefix")
            o.prefix = v;
        else if (a == "--self")
            o.self = atoi(v);
        else if (a == "--hash-cost")
            o.hash_cost = v;
        else if (a == "--drones")
            o.drones = atoi(v);
        else if (a == "--server-pid")
            o.server_pid = atol(v);
        else if (a == "--window")
            o.window = atoi(v);
        else {
            fprintf(stderr, "usage: kestrune-bot [--port N] [-n BOTS] [--mode "
                            "connect|lobby|battle] [--seconds S]\n"
                            "  [--rate ORDERS_PER_S] [--prefix NAME] [--server-pid PID]\n"
                            "  [--self 1 --hash-cost C --drones N]  (server in this process)\n"
                            "Connects to 127.0.0.1 only.\n");
            return 2;
        }
    }
    rlimit rl;
    getrlimit(RLIMIT_NOFILE, &rl);
    rl.rlim_cur = rl.rlim_max;
    setrlimit(RLIMIT_NOFILE, &rl);
    SrvHandle *h = nullptr;
    if (o.self) {
        SrvLogSetLevel(LOG_WARN);
        ServerConfig cfg;
        cfg.bind = "127.0.0.1";
        cfg.port = 0;
        cfg.mail_port = 0;
        char tmpl[] = "/tmp/kr-bot-XXXXXX";
        if (getenv("KR_BOT_DIR")) snprintf(tmpl, sizeof tmpl, "%s", getenv("KR_BOT_DIR"));
        cfg.db_path = std::string(mkdtemp(tmpl)) + "/bot.db";
        SrvParseHashCost(o.hash_cost.c_str(), &cfg.hash_cost);
        cfg.drones = o.drones;
        cfg.seed = 7;
        cfg.line_rate = 1000; // bots share one address and one pace
        std::string err;
        h = SrvStart(cfg, &err);
        if (!h) {
            fprintf(stderr, "server: %s\n", err.c_str());
            return 1;
        }
        o.port = SrvGamePort(h);
    }
    srand(11);
    epfd = epoll_create1(0);
    std::vector<Bot> bots((size_t)o.n);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)o.port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    double start = Now();
    st.first_connect = start;
    // Connections are opened a window at a time, so a burst does not overrun the kernel's
    // queue of half-open connections (which would cost a one-second SYN retry).
    int opened = 0;
    auto open_more = [&]() -> bool {
        while (opened < o.n && opened - st.connected < o.window) {
            Bot *b = &bots[(size_t)opened];
            b->index = opened;
            b->fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            if (b->fd < 0) {
                fprintf(stderr, "socket: %s (descriptor limit %ld)\n", strerror(errno),
                        (long)rl.rlim_cur);
                return false;
            }
            int one = 1;
            setsockopt(b->fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            connect(b->fd, (sockaddr *)&a, sizeof a);
            b->t_connect = Now();
            epoll_event ev{};
            ev.events = EPOLLIN;
            ev.data.ptr = b;
            epoll_ctl(epfd, EPOLL_CTL_ADD, b->fd, &ev);
            opened++;
        }
        return true;
    };
    if (!open_more()) return 1;
    std::vector<epoll_event> evs(1024);
    double end = start + o.seconds, last_tick = start;
    bool stats_reset = false;
    double measure_from = start;
    long lines_in_at = 0, lines_out_at = 0;
    while (Now() < end) {
        int n = epoll_wait(epfd, evs.data(), (int)evs.size(), 5);
        double now = Now();
        if (opened < o.n && !open_more()) break;
        for (int i = 0; i < n; i++) {
            Bot *b = (Bot *)evs[(size_t)i].data.ptr;
            if (evs[(size_t)i].events & EPOLLOUT) {
                ssize_t w = send(b->fd, b->out.data(), b->out.size(), MSG_NOSIGNAL);
                if (w > 0) b->out.erase(0, (size_t)w);
                if (b->out.empty()) Want(b, false);
            }
            if (evs[(size_t)i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
                char buf[16384];
                ssize_t r = recv(b->fd, buf, sizeof buf, 0);
                if (r <= 0) {
                    if (r < 0 && errno == EAGAIN) continue;
                    epoll_ctl(epfd, EPOLL_CTL_DEL, b->fd, nullptr);
                    close(b->fd);
                    b->fd = -1;
                    b->state = B_DONE;
                    st.closed++;
                    continue;
                }
                if (b->state == B_CONNECTING) {
                    b->state = B_GREETED;
                    b->t_greet = now;
                    sum_greet += now - b->t_connect;
                    if (++st.connected == o.n) st.all_connected = now;
                }
                LineFeed(&b->framer, buf, (size_t)r, [&](const LineEvent &ev) {
                    HandleLine(b, ev.line, o, now);
                    return true;
                });
            }
        }
        if (o.battle && now - last_tick >= 0.02) {
            last_tick = now;
            for (Bot &b : bots)
                if (b.state == B_SAILING) Sail(&b, o, now);
            if (!stats_reset && st.sailing == o.n) {
                // Measure the battle from the moment every bot is at sea.
                stats_reset = true;
                st.relay.clear();
                measure_from = now;
                lines_in_at = st.lines_in;
                lines_out_at = st.lines_out;
            }
        }
    }
    double wall = Now() - measure_from;
    printf("bots %d, connected %ld, logged on %ld, at sea %ld, closed by server %ld, nojoin %ld\n",
           o.n, st.connected, st.logged, st.sailing, st.closed, st.nojoin);
    if (st.all_connected > 0)
        printf("accepted connections/s: %.0f (all %d greeted in %.3f s)\n",
               o.n / (st.all_connected - start), o.n, st.all_connected - start);
    if (st.all_logged > 0)
        printf("logins/s: %.0f (all %d logged on in %.3f s, new accounts, hash cost %s)\n",
               o.n / (st.all_logged - start), o.n, st.all_logged - start, o.hash_cost.c_str());
    if (st.logged)
        printf("mean latency: connect to greeting %.2f ms, login to nickname request %.2f ms, "
               "nickname to logon %.2f ms\n",
               sum_greet / st.connected * 1000, sum_namereq / st.logged * 1000,
               sum_logon / st.logged * 1000);
    if (o.battle) {
        printf("battle measured over %.1f s: lines in %.0f/s, lines out %.0f/s, updates in %ld\n",
               wall, (st.lines_in - lines_in_at) / wall, (st.lines_out - lines_out_at) / wall,
               st.updates_in);
        printf("order relay delay: %zu samples, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
               st.relay.size(), Pct(st.relay, 0.5) * 1000, Pct(st.relay, 0.99) * 1000,
               Pct(st.relay, 1.0) * 1000);
        printf("torpedoes fired %ld, echoes back %ld\n", st.launches, st.echoes);
    }
    if (o.server_pid) printf("server resident memory: %ld KiB\n", Rss(o.server_pid));
    if (h) {
        double step = 0;
        int ships = 0;
        SrvCall(h, [&] {});
        // The world's own average, read on its thread.
        step = BotWorldStep(h, &ships);
        printf("world step: %.1f us average with %d ships (step every 100 ms: %.2f %%)\n", step,
               ships, step / 1000.0);
        printf("process resident memory (server and bots): %ld KiB\n", Rss(0));
    }
    for (Bot &b : bots)
        if (b.fd >= 0) close(b.fd);
    if (h) SrvStop(h);
    return 0;
}
