// kestrune_bot.cpp -- load tool: many loopback players that log in, sit in the lobby or sail
//
// One epoll loop drives every connection. Orders leave at their own scheduled times (a heap of
// due times, epoll_pwait2 with a sub-millisecond timeout), every received chunk is timestamped
// when recv returns, and the tool measures its own loop (its processor time and how late its
// sends leave) so that a run shows whether it measured the server or itself.
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
#include <queue>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/server/captain.h"
#include "common/motion.h"
#include "common/wire.h"
#include "server/srv_line.h"
#include "server/srv_log.h"
#include "server/srv_server.h"
#include "server/srv_shiptypes.h"

using Clock = std::chrono::steady_clock;

// The world's average step cost and ship count, read on the server's thread (bot_world.cpp).
double BotWorldStep(SrvHandle *h, int *ships);

static double Now() {
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

enum { B_CONNECTING, B_GREETED, B_LOGIN, B_LOBBY, B_JOINING, B_SAILING, B_DONE };

#define BOT_RING 64       // recent own reports kept to recognise their relays
#define BOT_OUT_MAX 65536 // a flat-out sender skips a batch while this much is still queued

struct SentReport {
    uint32_t seq;
    int32_t x, z;
    uint16_t heading;
    uint8_t engine, helm;
    double t;
};

// What a bot knows of another bot's ship it has been told of.
struct Peer {
    uint32_t last_seq = 0; // 0: no relay matched yet
    bool skip_next = true; // the introduction's own state line is not a relay
};

struct Torpedo {
    uint32_t id;
    MotionState m;
    double t, born;
    double claimed_at; // 0: not claimed yet
    bool confirmed;
};

struct Bot {
    int fd = -1;
    int state = B_CONNECTING;
    int index = 0;
    int row = 0;
    bool sailed = false; // has been at sea (a sunk bot joins again)
    LineFramer framer;
    std::string out;
    uint32_t id = 0;
    MotionState m{};
    double last_move = 0, next_fire = 0;
    double t_connect = 0, t_greet = 0, t_namereq = 0;
    uint32_t seq = 0;
    SentReport ring[BOT_RING];
    std::unordered_map<uint32_t, Peer> peers; // other bots' ships in this bot's area
    std::vector<Torpedo> torpedoes;
};

// A drone's last known state, shared by every bot (they all hear the same drones).
struct Drone {
    int row;
    MotionState m;
    double t;
};

struct Stats {
    long connected = 0, logged = 0, sailing = 0, closed = 0, lines_in = 0, lines_out = 0;
    long updates_in = 0, launches = 0, echoes = 0, nojoin = 0;
    long lost = 0, unmatched = 0, corrections = 0, claims = 0, hits = 0, sinkings = 0, sunk = 0;
    long recvs = 0, sends = 0;
    double all_connected = 0, all_logged = 0;
    double sum_greet = 0, sum_namereq = 0, sum_logon = 0;
    std::vector<double> relay;    // seconds
    std::vector<double> lateness; // seconds a scheduled send left late
};

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
    int window = 128;   // connections being opened at once
    int flat = 0;       // flat out: update lines in each scheduled send, only counted on receipt
    double fire = 30;   // seconds between torpedo attacks (0: none)
    double drain = 0.5; // quiet time at the end, so the last relays arrive before counting
    bool connect_only = false;
    bool spin = false; // poll without sleeping: the server's writes then wake no one
    uint32_t seed = 11;
};

static Options opt;
static Stats st;
static int epfd;
static std::vector<Bot> bots;
static MotionCoeffs coeffs[ROWS_SENT];
static bool have_coeffs[ROWS_SENT];
static std::unordered_map<uint32_t, int> bot_of_ship; // ship id -> bot index
static std::unordered_map<uint32_t, Drone> drones_known;
static std::mt19937 rng;
static bool measuring = false, flat_phase = false, quiet = false;

static int Rand(int n) {
    return n <= 1 ? 0 : (int)(rng() % (uint32_t)n);
}

static void Want(Bot *b, bool write) {
    epoll_event ev{};
    ev.events = EPOLLIN | (write ? (uint32_t)EPOLLOUT : 0u);
    ev.data.ptr = b;
    epoll_ctl(epfd, EPOLL_CTL_MOD, b->fd, &ev);
}

static void Push(Bot *b) {
    if (b->out.empty() || b->fd < 0) return;
    ssize_t n = send(b->fd, b->out.data(), b->out.size(), MSG_NOSIGNAL);
    st.sends++;
    if (n > 0) b->out.erase(0, (size_t)n);
    if (!b->out.empty()) Want(b, true);
}

// Queues a line; Push sends what is queued (one system call for all lines of one moment).
static void Queue(Bot *b, const char *line) {
    b->out += line;
    b->out += '\n';
    st.lines_out++;
}

static void Send(Bot *b, const char *line) {
    bool was_empty = b->out.empty();
    Queue(b, line);
    if (was_empty) Push(b);
}

// Sends a line that is its packet number alone.
static void SendBare(Bot *b, int32_t number) {
    char line[WIRE_LINE_SIZE];
    WireFormatBare(number, line, sizeof line);
    Send(b, line);
}

static void QueueUpdate(Bot *b, double now) {
    char line[WIRE_LINE_SIZE];
    WireUpdate u = {(int32_t)b->id,
                    1,
                    (int32_t)VelocityToWire(b->m.vx),
                    (int32_t)VelocityToWire(b->m.vy),
                    (int32_t)VelocityToWire(b->m.vz),
                    b->m.engine,
                    b->m.helm,
                    b->m.trim,
                    b->m.heading,
                    b->m.x,
                    b->m.y,
                    b->m.z};
    WireFormatUpdate(&u, line, sizeof line);
    SentReport &r = b->ring[++b->seq % BOT_RING];
    r = SentReport{b->seq, b->m.x, b->m.z, b->m.heading, (uint8_t)b->m.engine, (uint8_t)b->m.helm,
                   now};
    Queue(b, line);
}

// A relay of another bot's report arrived at b: which report it was, how long it took, and
// whether reports of that ship went missing since the last one b got.
static void RelayArrived(Bot *b, uint32_t id, const uint32_t *v, double now) {
    auto bi = bot_of_ship.find(id);
    if (bi == bot_of_ship.end()) return; // a drone
    auto pi = b->peers.find(id);
    if (pi == b->peers.end()) return; // not introduced (should not happen)
    Peer &p = pi->second;
    if (p.skip_next) {
        p.skip_next = false;
        return;
    }
    const Bot &s = bots[(size_t)bi->second];
    int32_t x = (int32_t)v[9], z = (int32_t)v[11];
    uint16_t heading = (uint16_t)v[8];
    // The oldest report after the last one seen that this line repeats; for the first relay
    // after an introduction the newest (a ship lying stopped repeats its reports).
    uint32_t from = p.last_seq ? p.last_seq + 1 : (s.seq > BOT_RING ? s.seq - BOT_RING + 1 : 1);
    if (s.seq >= BOT_RING && from + BOT_RING <= s.seq) from = s.seq - BOT_RING + 1;
    for (uint32_t i = from; i <= s.seq; i++) {
        uint32_t q = p.last_seq ? i : s.seq + from - i;
        const SentReport &r = s.ring[q % BOT_RING];
        if (r.seq != q || r.x != x || r.z != z || r.heading != heading || r.engine != v[5] ||
            r.helm != v[6])
            continue;
        if (measuring) {
            st.relay.push_back(now - r.t);
            if (p.last_seq && q > p.last_seq + 1) {
                st.lost += q - p.last_seq - 1;
                static int shown = 0;
                if (getenv("KR_BOT_DEBUG") && shown++ < 10)
                    fprintf(stderr, "gap: bot %d ship %x after %u got %u (sent %u) dt %.3f\n",
                            b->index, id, p.last_seq, q, s.seq, now - r.t);
                if (getenv("KR_BOT_DEBUG") && shown < 3)
                    for (uint32_t k = p.last_seq; k <= q; k++) {
                        const SentReport &e = s.ring[k % BOT_RING];
                        fprintf(stderr, "  seq %u t %.4f e%u h%u %d,%d %x\n", e.seq, e.t, e.engine,
                                e.helm, e.x, e.z, e.heading);
                    }
            }
        }
        p.last_seq = q;
        return;
    }
    if (measuring) st.unmatched++;
}

static void DroneState(uint32_t id, int row, const uint32_t *v, double now) {
    Drone &d = drones_known[id];
    d.row = row;
    d.m.engine = (int32_t)v[5];
    d.m.helm = (int32_t)v[6];
    d.m.trim = (int32_t)v[7];
    d.m.vx = VelocityFromWire(v[2]);
    d.m.vy = VelocityFromWire(v[3]);
    d.m.vz = VelocityFromWire(v[4]);
    MotionSetPosition(&d.m, (int32_t)v[9], (int32_t)v[10], (int32_t)v[11], (uint16_t)v[8]);
    d.t = now;
}

// Brings a drone's last known state forward to now, as a client's dead reckoning does.
static MotionState DroneNow(const Drone &d, double now) {
    MotionState m = d.m;
    if (d.row > 0 && d.row < ROWS_SENT && have_coeffs[d.row])
        MotionStep(&m, &coeffs[d.row], (now - d.t) * 2.0);
    return m;
}

// The bot's ship is gone: back to the lobby, and to sea again if it has a ship left.
static void BattleOver(Bot *b) {
    b->state = B_LOBBY;
    b->peers.clear();
    b->torpedoes.clear();
    bot_of_ship.erase(b->id);
    if (!quiet) SendBare(b, T_INVREQ);
}

static double CpuSeconds(long pid);
static double srv_cpu_logged = 0; // the server's processor seconds when the last bot logged on


static void HandleLine(Bot *b, std::string_view line, double now) {
    st.lines_in++;
    char buf[WIRE_LINE_SIZE];
    if (line == WIRE_GREETING) {
        WireFormatVersion(buf, sizeof buf);
        if (!opt.connect_only) Send(b, buf);
        return;
    }
    PacketLine p;
    if (!LineParsePacket(line, &p)) return;
    std::string user = opt.prefix + std::to_string(b->index);
    switch (p.number) {
    case T_IDREQ: {
        if (opt.connect_only) break;
        std::string password = "pw" + std::to_string(b->index);
        WireIdInfo id = {user, password};
        WireFormatIdInfo(&id, buf, sizeof buf);
        Send(b, buf);
        b->state = B_LOGIN;
        break;
    }
    case T_NAMEREQ: {
        b->t_namereq = now;
        st.sum_namereq += now - b->t_greet;
        WireName name = {user, b->index % 2};
        WireFormatNameInfo(&name, buf, sizeof buf);
        Send(b, buf);
        break;
    }
    case T_NOLOGIN:
        b->state = B_DONE;
        break;
    case T_LOGONOK:
        b->state = B_LOBBY;
        st.sum_logon += now - (b->t_namereq ? b->t_namereq : b->t_greet);
        if (++st.logged == opt.n) {
            st.all_logged = now;
            if (opt.server_pid) srv_cpu_logged = CpuSeconds(opt.server_pid);
        }
        if (opt.battle) SendBare(b, T_INVREQ); // as the client does after every logon
        break;
    case T_INVDETAILS:
        if (opt.battle && b->state == B_LOBBY) {
            WireJoinBattle join = {0, b->index % 3 + 1, "hms test"};
            WireFormatJoinBattle(&join, buf, sizeof buf);
            Send(b, buf);
            b->state = B_JOINING;
        }
        break;
    case T_NOJOIN:
        st.nojoin++;
        break;
    case T_JOINACC:
        b->id = (uint32_t)strtoul(std::string(p.arg).c_str(), nullptr, 10);
        bot_of_ship[b->id] = b->index;
        break;
    case T_SHIPTYPE: {
        WireShipType t;
        if (WireParseShipType(p.arg, &t, WIRE_STRICT) != WIRE_SHIPTYPE_FIELDS) break;
        if ((uint32_t)t.row >= ROWS_SENT) break;
        MotionCoeffs &c = coeffs[t.row];
        for (int i = 0; i < 5; i++) {
            c.speed_table[i] = CoeffFromWire((uint32_t)t.speed_table[i]);
            c.turn_table[i] = CoeffFromWire((uint32_t)t.turn_table[i]);
            c.dive_table[i] = CoeffFromWire((uint32_t)t.dive_table[i]);
        }
        c.drag = CoeffFromWire((uint32_t)t.drag);
        c.submerged = CoeffFromWire((uint32_t)t.submerged);
        have_coeffs[t.row] = true;
        break;
    }
    case T_NEWSHIP: {
        WireNewShip n;
        if (WireParseNewShip(p.arg, &n, WIRE_STRICT) != WIRE_NEWSHIP_FIELDS) break;
        uint32_t stype = (uint32_t)n.ship_type, id = (uint32_t)n.id, heading = (uint32_t)n.heading;
        uint32_t x = (uint32_t)n.x, y = (uint32_t)n.y, z = (uint32_t)n.z;
        if (id == b->id) {
            if (b->state != B_JOINING) break;
            b->row = ShipRowOfType((int)stype);
            b->m.engine = 3; // under way from the start, so that reports differ
            b->m.helm = 2;
            b->m.trim = 0x8002;
            MotionSetPosition(&b->m, (int32_t)x, (int32_t)y, (int32_t)z, (uint16_t)heading);
            b->last_move = now;
            b->state = B_SAILING;
            b->next_fire = opt.fire > 0 ? now + 5 + Rand((int)opt.fire) : 1e300;
            bot_of_ship[b->id] = b->index;
            if (!b->sailed) st.sailing++;
            b->sailed = true;
            break;
        }
        b->peers[id] = Peer{};
        if (strcmp(n.captain, "DRONE") == 0) {
            uint32_t v[12] = {id, 0, 0, 0, 0, 2, 2, 0x8002, heading, x, y, z};
            if (!drones_known.count(id)) DroneState(id, ShipRowOfType((int)stype), v, now);
        }
        break;
    }
    case T_UPDATE: {
        st.updates_in++;
        uint32_t v[WIRE_UPDATE_FIELDS];
        if (!WireUpdateValues(p.arg, v)) break;
        uint32_t id = v[0], kind = v[1];
        if (id == b->id) { // the server corrects us, or our battle is over
            if (kind == 3 || kind == 4) {
                BattleOver(b);
            } else if (kind == 1) {
                st.corrections++;
                MotionSetPosition(&b->m, (int32_t)v[9], (int32_t)v[10], (int32_t)v[11],
                                  (uint16_t)v[8]);
            }
            break;
        }
        if (kind == 3 || kind == 4) {
            b->peers.erase(id);
            if (kind == 3) drones_known.erase(id);
            break;
        }
        auto d = drones_known.find(id);
        if (d != drones_known.end()) {
            DroneState(id, d->second.row, v, now);
            break;
        }
        if (kind == 0) RelayArrived(b, id, v, now);
        break;
    }
    case T_UPDATEREQ:
        if (b->state == B_SAILING && !quiet) {
            QueueUpdate(b, now);
            Push(b);
        }
        break;
    case T_WEAPON: {
        WireWeapon w;
        if (WireParseWeapon(p.arg, &w, WIRE_STRICT) != WIRE_WEAPON_FIELDS) break;
        const uint32_t v[WIRE_WEAPON_FIELDS] = {
            (uint32_t)w.first_id, (uint32_t)w.second_id, (uint32_t)w.kind, (uint32_t)w.setting,
            (uint32_t)w.heading,  (uint32_t)w.x,         (uint32_t)w.z};
        if (v[2] == TP_LAUNCH && v[1] == b->id) { // our launch, with the torpedo's id
            st.echoes++;
            Torpedo t{};
            t.id = v[0];
            t.m.engine = 4;
            t.m.helm = 2;
            t.m.trim = 0x8002;
            MotionSetPosition(&t.m, (int32_t)v[5], 2, (int32_t)v[6], (uint16_t)v[4]);
            t.t = t.born = now;
            b->torpedoes.push_back(t);
        } else if (v[2] == TP_HIT) {
            for (Torpedo &t : b->torpedoes)
                if (t.id == v[0] && !t.confirmed) {
                    st.hits++;
                    t.confirmed = true;
                }
        } else if (v[2] == WP_SUNK) {
            if (b->index == 0) st.sinkings++; // counted once, by the first bot
            if (v[1] == b->id && b->state == B_SAILING) {
                st.sunk++;
                BattleOver(b);
            }
        }
        break;
    }
    default:
        break;
    }
}

static void RunTorpedoes(Bot *b, double now) {
    if (!have_coeffs[ROW_TORPEDO]) return;
    for (Torpedo &t : b->torpedoes) {
        if (t.confirmed || t.claimed_at) continue;
        MotionStep(&t.m, &coeffs[ROW_TORPEDO], (now - t.t) * 2.0);
        t.t = now;
        for (auto &kv : drones_known) {
            MotionState s = DroneNow(kv.second, now);
            if (!CaptainTorpedoStrikes(t.m, s, kv.second.row)) continue;
            char line[WIRE_LINE_SIZE];
            WireWeapon hit = {(int32_t)t.id, (int32_t)kv.first, TP_HIT, 0, t.m.heading, t.m.x,
                              t.m.z};
            WireFormatWeapon(&hit, line, sizeof line);
            Queue(b, line);
            t.claimed_at = now;
            st.claims++;
            break;
        }
    }
    b->torpedoes.erase(std::remove_if(b->torpedoes.begin(), b->torpedoes.end(),
                                      [&](const Torpedo &t) {
                                          return t.confirmed || now - t.born > 125 ||
                                                 (t.claimed_at && now - t.claimed_at > 5);
                                      }),
                       b->torpedoes.end());
}

// Aims at the nearest drone within reach, leading it at the torpedo's speed.
static bool Aim(Bot *b, double now, uint16_t *heading) {
    const double speed = 170.0, reach = 14000.0;
    const Drone *best = nullptr;
    double best_d = reach;
    for (auto &kv : drones_known) {
        double d = Range(b->m.x, b->m.z, kv.second.m.x, kv.second.m.z);
        if (d < best_d) {
            best_d = d;
            best = &kv.second;
        }
    }
    if (!best) return false;
    MotionState s = DroneNow(*best, now);
    double vx = s.vx * 2, vz = s.vz * 2; // units a second
    double tx = s.x, tz = s.z;
    for (int i = 0; i < 4; i++) {
        double t = std::sqrt((tx - b->m.x) * (tx - b->m.x) + (tz - b->m.z) * (tz - b->m.z)) / speed;
        tx = s.x + vx * t;
        tz = s.z + vz * t;
    }
    *heading = AngleFrom((int32_t)tx, (int32_t)tz, b->m.x, b->m.z);
    return true;
}

// One scheduled moment of a sailing bot: move, give an order (one update line, or a batch when
// flat out), now and then fire, and judge its torpedoes.
static void Sail(Bot *b, double now) {
    if (have_coeffs[b->row]) MotionStep(&b->m, &coeffs[b->row], (now - b->last_move) * 2.0);
    b->last_move = now;
    if (!quiet) {
        int lines = flat_phase ? opt.flat : 1;
        if (flat_phase && b->out.size() > BOT_OUT_MAX) lines = 0;
        for (int i = 0; i < lines; i++) {
            // Steer now and then, change speed now and then: every order change is one line.
            if (Rand(8) < 5)
                b->m.helm = (b->m.helm + 1 + Rand(4)) % 5;
            else
                b->m.engine = 3 + (b->m.engine == 3);
            QueueUpdate(b, now);
        }
        uint16_t heading;
        if (now >= b->next_fire && ShipClassOfRow(b->row)->tubes) {
            if (Aim(b, now, &heading)) {
                // The server numbers the torpedo: its id goes out as -1.
                char line[WIRE_LINE_SIZE];
                WireWeapon launch = {-1, (int32_t)b->id, TP_LAUNCH, 0, heading, b->m.x, b->m.z};
                WireFormatWeapon(&launch, line, sizeof line);
                Queue(b, line);
                st.launches++;
                b->next_fire = now + opt.fire;
            } else {
                b->next_fire = now + 5; // nothing in reach yet
            }
        }
    }
    if (!b->torpedoes.empty()) RunTorpedoes(b, now);
    Push(b);
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

// Processor seconds (user and system) of a process from /proc, 0 for this one.
static double CpuSeconds(long pid) {
    if (!pid) {
        rusage ru;
        getrusage(RUSAGE_SELF, &ru);
        return (double)ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + (double)ru.ru_stime.tv_sec +
               ru.ru_stime.tv_usec / 1e6;
    }
    char path[64];
    snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    FILE *f = fopen(path, "r");
    if (!f) return 0;
    char buf[1024];
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = 0;
    const char *p = strrchr(buf, ')');
    unsigned long ut = 0, stt = 0;
    if (p) sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &ut, &stt);
    return (double)(ut + stt) / (double)sysconf(_SC_CLK_TCK);
}

static double Pct(std::vector<double> &v, double p) {
    if (v.empty()) return 0;
    size_t i = (size_t)(p * (double)(v.size() - 1));
    std::nth_element(v.begin(), v.begin() + (long)i, v.end());
    return v[i];
}

static int Usage() {
    fprintf(stderr,
            "usage: kestrune-bot [--port N] [-n BOTS] [--mode connect|lobby|battle] [--seconds S]\n"
            "  [--rate ORDERS_PER_S] [--flat LINES_PER_ORDER] [--fire S] [--window N]\n"
            "  [--prefix NAME] [--seed N] [--spin 1] [--server-pid PID]\n"
            "  [--self 1 --hash-cost C --drones N]  (server in this process)\n"
            "Connects to 127.0.0.1 only.\n");
    return 2;
}

int main(int argc, char **argv) {
    Options &o = opt;
    for (int i = 1; i < argc; i += 2) {
        std::string a = argv[i];
        if (i + 1 >= argc) return Usage();
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
        else if (a == "--flat")
            o.flat = atoi(v);
        else if (a == "--fire")
            o.fire = atof(v);
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
        else if (a == "--spin")
            o.spin = atoi(v) != 0;
        else if (a == "--seed")
            o.seed = (uint32_t)atol(v);
        else
            return Usage();
    }
    if (o.n <= 0 || o.rate <= 0 || o.window <= 0) return Usage();
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
        cfg.byte_rate = 1e6;
        cfg.exempt = "127.0.0.1";
        std::string err;
        h = SrvStart(cfg, &err);
        if (!h) {
            fprintf(stderr, "server: %s\n", err.c_str());
            return 1;
        }
        o.port = SrvGamePort(h);
    }
    rng.seed(o.seed);

    epfd = epoll_create1(0);
    bots.resize((size_t)o.n);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)o.port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    double start = Now();
    // Connections are opened a window at a time, so a burst does not overrun the kernel's
    // queue of half-open connections (which would cost a one-second SYN retry).
    int opened = 0;
    auto open_more = [&]() -> bool {
        while (opened < o.n && opened - st.connected - st.closed < o.window) {
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
    double srv_cpu_start = o.server_pid ? CpuSeconds(o.server_pid) : 0,
           bot_cpu_start = CpuSeconds(0);
    double srv_cpu_connected = 0, bot_cpu_connected = 0;
    if (!open_more()) return 1;

    // Sailing bots by their next scheduled moment.
    using Due = std::pair<double, int>;
    std::priority_queue<Due, std::vector<Due>, std::greater<Due>> due;
    std::vector<bool> scheduled((size_t)o.n);
    std::vector<epoll_event> evs(1024);
    static char buf[65536];
    double end = start + o.seconds, measure_from = start, measure_to = 0;
    double cpu_from = 0, srv_cpu_from = 0;
    long lines_in_at = 0, lines_out_at = 0, recvs_at = 0, sends_at = 0;
    for (;;) {
        double now = Now();
        if (now >= end) break;
        if (!quiet && now >= end - o.drain && measuring) {
            quiet = true; // let the last relays arrive
            measure_to = now;
        }
        double wait = std::min(end - now, 0.005);
        if (!due.empty()) wait = std::max(0.0, std::min(wait, due.top().first - now));
        if (opt.spin && measuring) wait = 0;
        timespec ts{(time_t)wait, (long)((wait - (double)(time_t)wait) * 1e9)};
        int n = epoll_pwait2(epfd, evs.data(), (int)evs.size(), &ts, nullptr);
        if (opened < o.n && !open_more()) break;
        for (int i = 0; i < n; i++) {
            Bot *b = (Bot *)evs[(size_t)i].data.ptr;
            if (b->fd < 0) continue;
            if (evs[(size_t)i].events & EPOLLOUT) {
                ssize_t w = send(b->fd, b->out.data(), b->out.size(), MSG_NOSIGNAL);
                st.sends++;
                if (w > 0) b->out.erase(0, (size_t)w);
                if (b->out.empty()) Want(b, false);
            }
            if (!(evs[(size_t)i].events & (EPOLLIN | EPOLLHUP | EPOLLERR))) continue;
            ssize_t r = recv(b->fd, buf, sizeof buf, 0);
            double t = Now();
            st.recvs++;
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
                b->t_greet = t;
                st.sum_greet += t - b->t_connect;
                if (++st.connected == o.n) {
                    st.all_connected = t;
                    if (o.server_pid) srv_cpu_connected = CpuSeconds(o.server_pid);
                    bot_cpu_connected = CpuSeconds(0);
                }
            }
            if (flat_phase) {
                // Flat out the tool only counts what arrives; parsing would measure itself.
                const char *p = buf, *e = buf + r;
                while ((p = (const char *)memchr(p, '\n', (size_t)(e - p))) != nullptr) {
                    st.lines_in++;
                    p++;
                }
                continue;
            }
            LineFeed(&b->framer, buf, (size_t)r, [&](const LineEvent &ev) {
                HandleLine(b, ev.line, t);
                return true;
            });
            if (b->state == B_SAILING && !scheduled[(size_t)b->index]) {
                scheduled[(size_t)b->index] = true;
                due.push({t + (double)Rand(1000) / 1000.0 / o.rate, b->index});
            }
            if (!b->out.empty() && b->fd >= 0) Push(b);
        }
        now = Now();
        while (!due.empty() && due.top().first <= now) {
            Due d = due.top();
            due.pop();
            Bot *b = &bots[(size_t)d.second];
            if (b->fd < 0 || b->state != B_SAILING) {
                scheduled[(size_t)d.second] = false;
                continue;
            }
            if (measuring && !quiet) st.lateness.push_back(now - d.first);
            Sail(b, now);
            // The next moment keeps to the schedule, not to when this one ran.
            due.push({std::max(d.first + 1.0 / o.rate, now - 0.5 / o.rate), d.second});
        }
        if (o.battle && !measuring && st.sailing == o.n) {
            // Measure the battle from the moment every bot is at sea.
            measuring = true;
            flat_phase = o.flat > 0;
            measure_from = now;
            lines_in_at = st.lines_in;
            lines_out_at = st.lines_out;
            recvs_at = st.recvs;
            sends_at = st.sends;
            cpu_from = CpuSeconds(0);
            srv_cpu_from = o.server_pid ? CpuSeconds(o.server_pid) : 0;
            st.relay.clear();
            st.lost = st.unmatched = st.corrections = 0;
        }
    }
    if (measuring && !measure_to) measure_to = Now();
    double wall = measure_to - measure_from;
    double cpu = CpuSeconds(0) - cpu_from;
    double srv_cpu = o.server_pid ? CpuSeconds(o.server_pid) - srv_cpu_from : 0;
    // Reports sent that never reached a bot still watching their ship.
    if (measuring && !flat_phase)
        for (Bot &b : bots)
            for (auto &kv : b.peers) {
                auto bi = bot_of_ship.find(kv.first);
                if (bi == bot_of_ship.end() || !kv.second.last_seq) continue;
                const Bot &snd = bots[(size_t)bi->second];
                st.lost += snd.seq - kv.second.last_seq;
                static int shown = 0;
                if (getenv("KR_BOT_DEBUG") && snd.seq > kv.second.last_seq && shown++ < 10)
                    fprintf(stderr, "tail: bot %d ship %x last %u sent %u at -%.3f s, state %d\n",
                            b.index, kv.first, kv.second.last_seq, snd.seq,
                            Now() - snd.ring[snd.seq % BOT_RING].t, snd.state);
            }
    printf("bots %d, connected %ld, logged on %ld, at sea %ld, closed by server %ld, nojoin %ld\n",
           o.n, st.connected, st.logged, st.sailing, st.closed, st.nojoin);
    if (st.all_connected > 0) {
        double t = st.all_connected - start;
        printf("accepted connections/s: %.0f (all %d greeted in %.3f s, window %d)", o.n / t, o.n,
               t, o.window);
        if (o.server_pid)
            printf("; server %.0f %% busy, bot %.0f %% busy",
                   (srv_cpu_connected - srv_cpu_start) / t * 100,
                   (bot_cpu_connected - bot_cpu_start) / t * 100);
        printf("\n");
    }
    if (st.all_logged > 0) {
        double t = st.all_logged - start;
        printf("logins/s: %.0f (all %d logged on in %.3f s, new accounts, hash cost %s)", o.n / t,
               o.n, t, o.hash_cost.c_str());
        if (o.server_pid)
            printf("; server %.0f %% of a core", (srv_cpu_logged - srv_cpu_start) / t * 100);
        printf("\n");
    }
    if (st.connected)
        printf("mean latency: connect to greeting %.2f ms", st.sum_greet / st.connected * 1000);
    if (st.logged)
        printf(", login to nickname request %.2f ms, nickname to logon %.2f ms",
               st.sum_namereq / st.logged * 1000, st.sum_logon / st.logged * 1000);
    if (st.connected) printf("\n");
    if (o.battle && measuring) {
        double in = (double)(st.lines_in - lines_in_at),
               out = (double)(st.lines_out - lines_out_at);
        printf("battle measured over %.1f s: lines in %.0f/s (%.1f a recv), lines out %.0f/s "
               "(%.1f a send)\n",
               wall, in / wall, in / (double)std::max(1L, st.recvs - recvs_at), out / wall,
               out / (double)std::max(1L, st.sends - sends_at));
        if (!flat_phase) {
            printf("order relay delay: %zu samples, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                   st.relay.size(), Pct(st.relay, 0.5) * 1000, Pct(st.relay, 0.99) * 1000,
                   Pct(st.relay, 1.0) * 1000);
            printf("relays lost %ld, unrecognised %ld, own reports corrected %ld\n", st.lost,
                   st.unmatched, st.corrections);
        } else {
            printf("fan-out flat out: %.0f update lines/s delivered to clients\n", in / wall);
        }
        printf("bot loop: %.0f %% of a core, sends late p50 %.2f ms, p99 %.2f ms\n",
               cpu / wall * 100, Pct(st.lateness, 0.5) * 1000, Pct(st.lateness, 0.99) * 1000);
        if (o.server_pid) printf("server: %.0f %% of a core\n", srv_cpu / wall * 100);
        printf("torpedoes fired %ld, echoes back %ld, hit claims %ld, hits %ld, sinkings %ld, "
               "bots sunk %ld\n",
               st.launches, st.echoes, st.claims, st.hits, st.sinkings, st.sunk);
    }
    if (o.server_pid) printf("server resident memory: %ld KiB\n", Rss(o.server_pid));
    if (h) {
        int ships = 0;
        double step = BotWorldStep(h, &ships);
        printf("world step: %.1f us average with %d ships (step every 100 ms: %.2f %%)\n", step,
               ships, step / 1000.0);
        printf("process resident memory (server and bots): %ld KiB\n", Rss(0));
    }
    for (Bot &b : bots)
        if (b.fd >= 0) close(b.fd);
    if (h) SrvStop(h);
    return 0;
}
