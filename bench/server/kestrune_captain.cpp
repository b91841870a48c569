// kestrune_captain.cpp -- loopback captains that play whole battles as players do, and a fairness
// table
//
// Each battle is one new account, one connection and one ship. The captain moves its own ship and
// every ship it is told of with the shared movement model, but acts only on what its lookout,
// periscope, radar or hydrophones perceive; it judges its own torpedoes as the client does.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/server/captain.h"
#include "common/packets.h"
#include "common/wire.h"
#include "server/srv_line.h"
#include "server/srv_shiptypes.h"

static double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

#define CAP_TUBES 4
#define CAP_TUBE_RELOAD 31.0 // seconds, one tube at a time
#define CAP_GUN_RELOAD 3.5   // seconds between the destroyer gun's rounds
#define CAP_NEAR 5000        // "reached a cargo ship"
#define CAP_ENGAGE_RANGE 10000
#define CAP_NEWCOMER_RANGE 3500  // the walkthrough: fire from about 3 km
#define CAP_EXPERT_RANGE 4500    // the expert fires its spread from this near
#define CAP_EXPERT_SLOW 8000     // the expert goes half ahead with an escort this near
#define CAP_EXPERT_SILENT 3000   // and stops the motors with one nearer still
#define CAP_EXPERT_SURFACE 13000 // the expert runs on the surface with every escort farther
#define CAP_EXPERT_DIVE 11000    // and dives again with one this near, or a cargo ship

struct Contact {
    int row = 0;
    bool drone = false;
    MotionState m{};
    double t = 0; // time of the last fix
    CaptainTrack track{};
    double pointing_since = 0; // an escort running at the gunner since then (0: not)
};

struct OwnTorpedo {
    uint32_t id;
    MotionState m;
    double t, born;
    bool claimed;
};

// What one battle came to.
struct Outcome {
    int profile = 0;
    bool joined = false, near = false, fired = false, hit = false, sank = false;
    bool lost = false, left = false, engaged = false;
    double t_near = -1, t_hit = -1, t_sink = -1, t_lost = -1, t_engaged = -1;
    int torpedoes = 0, rounds = 0;
};

enum { C_CONNECTING, C_LOGIN, C_LOBBY, C_JOINING, C_SAILING, C_LEAVING, C_DONE };

struct Captain {
    int fd = -1, state = C_CONNECTING, profile = 0, index = 0;
    LineFramer framer;
    std::string out;
    uint32_t id = 0;
    int row = ROW_SUBMARINE;
    MotionState m{};
    double start = 0, last_move = 0, last_tick = 0, end_at = 0;
    int32_t sense = 0, ordered_depth = 0;
    int observer = 0, phase = CAPTAIN_APPROACH;
    double phase_since = 0, charges_heard = -1, next_fire = 0, first_shot = -1, last_trace = 0;
    int tubes = CAP_TUBES, attacks = 0;
    bool surface_run = false; // the expert's run on the surface while the escorts are far
    double reload_from = -1;
    bool spread_fired = false;
    double lead = 0.75; // the newcomer's guess of the lead, a fraction of the true one
    uint32_t target = 0;
    std::map<uint32_t, Contact> contacts;
    std::vector<OwnTorpedo> torpedoes;
    Outcome o;
};

struct Options {
    int port = 6000, battles = 20, at_once = 5;
    double limit = 600;
    uint32_t seed = 1;
    std::vector<int> profiles;
    bool together = false;
    int verbose = 0; // 1: each battle's outcome, 2: and a line every 15 s of each captain's state
    std::string prefix = "cap";
};

static Options opt;
static MotionCoeffs coeffs[ROWS_SENT];
static bool have_coeffs[ROWS_SENT];
static std::mt19937 rng;

static void Send(Captain *c, const char *line) {
    c->out += line;
    c->out += '\n';
}

static void Flush(Captain *c) {
    while (!c->out.empty() && c->fd >= 0) {
        ssize_t n = send(c->fd, c->out.data(), c->out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0) break;
        c->out.erase(0, (size_t)n);
    }
}

// Sends a line that is its packet number alone.
static void SendBare(Captain *c, int32_t number) {
    char line[WIRE_LINE_SIZE];
    WireFormatBare(number, line, sizeof line);
    Send(c, line);
}

static void SendUpdate(Captain *c) {
    char line[WIRE_LINE_SIZE];
    WireUpdate u = {(int32_t)c->id,
                    1,
                    (int32_t)VelocityToWire(c->m.vx),
                    (int32_t)VelocityToWire(c->m.vy),
                    (int32_t)VelocityToWire(c->m.vz),
                    c->m.engine,
                    c->m.helm,
                    c->m.trim,
                    c->m.heading,
                    c->m.x,
                    c->m.y,
                    c->m.z};
    WireFormatUpdate(&u, line, sizeof line);
    Send(c, line);
}

static void SendWeapon(Captain *c, uint32_t a, uint32_t b, int kind, uint16_t heading, int32_t x,
                       int32_t z) {
    char line[WIRE_LINE_SIZE];
    WireWeapon w = {(int32_t)a, (int32_t)b, kind, 0, heading, x, z};
    WireFormatWeapon(&w, line, sizeof line);
    Send(c, line);
}

static double Since(const Captain *c, double now) {
    return now - c->start;
}

static void Finish(Captain *c) {
    if (c->fd >= 0) {
        Flush(c);
        close(c->fd);
    }
    c->fd = -1;
    c->state = C_DONE;
}

static MotionState ContactNow(const Contact &k, double now) {
    MotionState m = k.m;
    if (k.row > 0 && k.row < ROWS_SENT && have_coeffs[k.row])
        MotionStep(&m, &coeffs[k.row], (now - k.t) * 2.0);
    return m;
}

static bool IsCargo(const Contact &k) {
    return k.drone && (k.row == ROW_MERCHANT || k.row == ROW_TANKER);
}

static bool IsEscort(const Contact &k) {
    return k.drone && (k.row == ROW_DESTROYER || k.row == ROW_CORVETTE);
}

static void ReadUpdate(Contact *k, const uint32_t *v, double now) {
    k->m.engine = (int32_t)v[5];
    k->m.helm = (int32_t)v[6];
    k->m.trim = (int32_t)v[7];
    k->m.vx = VelocityFromWire(v[2]);
    k->m.vy = VelocityFromWire(v[3]);
    k->m.vz = VelocityFromWire(v[4]);
    MotionSetPosition(&k->m, (int32_t)v[9], (int32_t)v[10], (int32_t)v[11], (uint16_t)v[8]);
    k->t = now;
}

static void Lost(Captain *c, double now) {
    if (c->o.lost || c->o.left) return;
    c->o.lost = true;
    c->o.t_lost = Since(c, now);
    Finish(c);
}

static void HandleLine(Captain *c, std::string_view line, double now) {
    char buf[WIRE_LINE_SIZE];
    if (line == WIRE_GREETING) {
        WireFormatVersion(buf, sizeof buf);
        Send(c, buf);
        return;
    }
    PacketLine p;
    if (!LineParsePacket(line, &p)) return;
    char user[160], password[32];
    snprintf(user, sizeof user, "%s%u%c%d", opt.prefix.c_str(), (unsigned)opt.seed % 1000,
             CAPTAIN_PROFILE_NAMES[c->profile][0], c->index);
    snprintf(password, sizeof password, "pw%d", c->index);
    switch (p.number) {
    case T_IDREQ: {
        WireIdInfo id = {user, password};
        WireFormatIdInfo(&id, buf, sizeof buf);
        Send(c, buf);
        c->state = C_LOGIN;
        break;
    }
    case T_NAMEREQ: {
        WireName name = {user, c->index % 2};
        WireFormatNameInfo(&name, buf, sizeof buf);
        Send(c, buf);
        break;
    }
    case T_NOLOGIN:
        Finish(c);
        break;
    case T_LOGONOK:
        c->state = C_LOBBY;
        SendBare(c, T_INVREQ);
        break;
    case T_INVDETAILS:
        if (c->state == C_LOBBY) {
            // Server ship types: 2 destroyer, 3 submarine.
            WireJoinBattle join = {0, c->profile == CAPTAIN_GUNNER ? 2 : 3, ""};
            WireFormatJoinBattle(&join, buf, sizeof buf);
            Send(c, buf);
            c->state = C_JOINING;
        }
        break;
    case T_NOJOIN:
        Finish(c);
        break;
    case T_JOINACC:
        c->id = (uint32_t)strtoul(std::string(p.arg).c_str(), nullptr, 10);
        break;
    case T_SHIPTYPE: {
        WireShipType t;
        if (WireParseShipType(p.arg, &t, WIRE_STRICT) != WIRE_SHIPTYPE_FIELDS) break;
        if ((uint32_t)t.row >= ROWS_SENT) break;
        MotionCoeffs &k = coeffs[t.row];
        for (int i = 0; i < 5; i++) {
            k.speed_table[i] = CoeffFromWire((uint32_t)t.speed_table[i]);
            k.turn_table[i] = CoeffFromWire((uint32_t)t.turn_table[i]);
            k.dive_table[i] = CoeffFromWire((uint32_t)t.dive_table[i]);
        }
        k.drag = CoeffFromWire((uint32_t)t.drag);
        k.submerged = CoeffFromWire((uint32_t)t.submerged);
        have_coeffs[t.row] = true;
        break;
    }
    case T_NEWSHIP: {
        WireNewShip n;
        if (WireParseNewShip(p.arg, &n, WIRE_STRICT) != WIRE_NEWSHIP_FIELDS) break;
        uint32_t stype = (uint32_t)n.ship_type, id = (uint32_t)n.id, heading = (uint32_t)n.heading;
        uint32_t x = (uint32_t)n.x, y = (uint32_t)n.y, z = (uint32_t)n.z;
        if (id == c->id) {
            if (c->state != C_JOINING) break;
            c->row = ShipRowOfType((int)stype);
            c->m.engine = 2;
            c->m.helm = 2;
            c->m.trim = 0x8002;
            MotionSetPosition(&c->m, (int32_t)x, (int32_t)y, (int32_t)z, (uint16_t)heading);
            c->start = c->last_move = c->phase_since = now;
            c->end_at = now + opt.limit;
            c->state = C_SAILING;
            c->o.joined = true;
            break;
        }
        Contact &k = c->contacts[id];
        k.row = ShipRowOfType((int)stype);
        k.drone = strcmp(n.captain, "DRONE") == 0;
        uint32_t v[12] = {id, 0, 0, 0, 0, 2, 2, 0x8002, heading, x, y, z};
        ReadUpdate(&k, v, now);
        break;
    }
    case T_UPDATE: {
        uint32_t v[WIRE_UPDATE_FIELDS];
        if (!WireUpdateValues(p.arg, v)) break;
        if (v[0] == c->id) {
            if (v[1] == 3 || v[1] == 4) {
                Lost(c, now);
            } else if (v[1] == 1) { // the server corrects our position
                c->m.vx = VelocityFromWire(v[2]);
                c->m.vy = VelocityFromWire(v[3]);
                c->m.vz = VelocityFromWire(v[4]);
                MotionSetPosition(&c->m, (int32_t)v[9], (int32_t)v[10], (int32_t)v[11],
                                  (uint16_t)v[8]);
            }
            break;
        }
        if (v[1] == 3 || v[1] == 4) {
            c->contacts.erase(v[0]);
            break;
        }
        auto it = c->contacts.find(v[0]);
        if (it != c->contacts.end()) ReadUpdate(&it->second, v, now);
        break;
    }
    case T_UPDATEREQ:
        if (c->state == C_SAILING) SendUpdate(c);
        break;
    case T_EXITACC:
        if (!c->o.lost) {
            c->o.left = true;
            Finish(c);
        }
        break;
    case T_WEAPON: {
        WireWeapon w;
        if (WireParseWeapon(p.arg, &w, WIRE_STRICT) != WIRE_WEAPON_FIELDS) break;
        const uint32_t v[WIRE_WEAPON_FIELDS] = {
            (uint32_t)w.first_id, (uint32_t)w.second_id, (uint32_t)w.kind, (uint32_t)w.setting,
            (uint32_t)w.heading,  (uint32_t)w.x,         (uint32_t)w.z};
        int kind = (int)v[2];
        int32_t wx = (int32_t)v[5], wz = (int32_t)v[6];
        if (kind == TP_LAUNCH && v[1] == c->id) { // our launch, with the torpedo's id
            OwnTorpedo t{};
            t.id = v[0];
            t.m.engine = 4;
            t.m.helm = 2;
            t.m.trim = 0x8002;
            MotionSetPosition(&t.m, wx, 2, wz, (uint16_t)v[4]);
            t.t = t.born = now;
            c->torpedoes.push_back(t);
        } else if (kind == TP_HIT) {
            for (OwnTorpedo &t : c->torpedoes)
                if (t.id == v[0] && !c->o.hit) {
                    c->o.hit = true;
                    c->o.t_hit = Since(c, now);
                }
            c->torpedoes.erase(std::remove_if(c->torpedoes.begin(), c->torpedoes.end(),
                                              [&](const OwnTorpedo &t) { return t.id == v[0]; }),
                               c->torpedoes.end());
        } else if (kind == WP_SUNK) {
            if (v[1] == c->id) {
                Lost(c, now);
                break;
            }
            if (v[0] == c->id && !c->o.sank) {
                c->o.sank = true;
                c->o.t_sink = Since(c, now);
            }
            c->contacts.erase(v[1]);
        } else if ((kind == DC_LAUNCH && Range(c->m.x, c->m.z, wx, wz) < CAPTAIN_HEAR_CHARGES) ||
                   kind == DC_HIT || kind == DC_MISS) {
            c->charges_heard = now; // hydrophones, or the explosions themselves
            if (c->profile == CAPTAIN_GUNNER && !c->o.engaged && c->first_shot >= 0) {
                c->o.engaged = true;
                c->o.t_engaged = now - c->first_shot;
            }
        } else if (kind == GUN_HIT && v[0] == c->id && !c->o.hit) {
            c->o.hit = true;
            c->o.t_hit = Since(c, now);
        } else if ((kind == GUN_HIT || kind == GUN_MISS) && v[1] == c->id) {
            if (c->profile == CAPTAIN_GUNNER && !c->o.engaged && c->first_shot >= 0) {
                c->o.engaged = true;
                c->o.t_engaged = now - c->first_shot;
            }
            if (c->profile == CAPTAIN_NEWCOMER) c->charges_heard = now; // under fire: dive
        }
        break;
    }
    default:
        break;
    }
}

static void RunTorpedoes(Captain *c, double now) {
    if (!have_coeffs[ROW_TORPEDO]) return;
    for (OwnTorpedo &t : c->torpedoes) {
        if (t.claimed) continue;
        MotionStep(&t.m, &coeffs[ROW_TORPEDO], (now - t.t) * 2.0);
        t.t = now;
        for (auto &kv : c->contacts) {
            if (kv.second.row == ROW_TORPEDO || kv.second.row <= 0) continue;
            if (!CaptainTorpedoStrikes(t.m, ContactNow(kv.second, now), kv.second.row)) continue;
            SendWeapon(c, t.id, kv.first, TP_HIT, t.m.heading, t.m.x, t.m.z);
            t.claimed = true;
            break;
        }
    }
    c->torpedoes.erase(
        std::remove_if(c->torpedoes.begin(), c->torpedoes.end(),
                       // A claimed torpedo stays until the server's answer
                       // names it, so that its hit is counted.
                       [&](const OwnTorpedo &t) { return now - t.born > CAPTAIN_TORPEDO_RUN + 5; }),
        c->torpedoes.end());
}

// The perceived contact of a kind nearest the own ship: cargo, escorts, or anything.
static uint32_t Nearest(Captain *c, double now, bool (*want)(const Contact &), int32_t *range,
                        MotionState *at) {
    uint32_t best = 0;
    int32_t best_r = -1;
    for (auto &kv : c->contacts) {
        Contact &k = kv.second;
        if (!want(k)) continue;
        MotionState s = ContactNow(k, now);
        int32_t r = Range(c->m.x, c->m.z, s.x, s.z);
        if (!(CaptainSenses(c->row, c->m.y, c->observer, s.y, s.engine, r) & CAPTAIN_PLOT))
            continue;
        if (best_r < 0 || r < best_r) {
            best_r = r;
            best = kv.first;
            if (at) *at = s;
        }
    }
    *range = best_r;
    return best;
}

static void Steer(Captain *c, uint16_t course) {
    uint16_t d = (uint16_t)(course - c->m.heading);
    if (d < 0x100 || d > 0xFF00) {
        c->m.helm = 2;
        c->sense = 0;
        return;
    }
    c->m.helm = CaptainHelm(course, c->m.heading, &c->sense, c->m.engine);
}

static void FireTorpedo(Captain *c, uint16_t heading, double now) {
    SendWeapon(c, 0xffffffffu, c->id, TP_LAUNCH, heading, c->m.x, c->m.z);
    if (c->tubes == CAP_TUBES) c->reload_from = now;
    c->tubes--;
    c->o.fired = true;
    c->o.torpedoes++;
}

// One decision step of a captain at sea, every 100 ms.
static void Think(Captain *c, double now) {
    double dt = (now - c->last_move) * 2.0;
    if (have_coeffs[c->row]) MotionStep(&c->m, &coeffs[c->row], dt);
    c->last_move = now;
    if (c->tubes < CAP_TUBES && c->reload_from >= 0 && now - c->reload_from >= CAP_TUBE_RELOAD) {
        c->tubes++;
        c->reload_from = c->tubes < CAP_TUBES ? now : -1;
    }
    int32_t o_engine = c->m.engine, o_helm = c->m.helm, o_trim = c->m.trim;

    // The referee's view: true ranges, not the captain's perception.
    for (auto &kv : c->contacts) {
        Contact &k = kv.second;
        if (!IsCargo(k)) continue;
        MotionState s = ContactNow(k, now);
        if (!c->o.near && Range(c->m.x, c->m.z, s.x, s.z) <= CAP_NEAR) {
            c->o.near = true;
            c->o.t_near = Since(c, now);
        }
    }
    // The captain's fixes of what he perceives, for course and speed.
    for (auto &kv : c->contacts) {
        Contact &k = kv.second;
        MotionState s = ContactNow(k, now);
        int32_t r = Range(c->m.x, c->m.z, s.x, s.z);
        if (CaptainSenses(c->row, c->m.y, c->observer, s.y, s.engine, r) & CAPTAIN_PLOT)
            CaptainTrackFix(&k.track, now, s.x, s.z);
    }

    int32_t cargo_range;
    MotionState cargo{};
    uint32_t cargo_id = Nearest(c, now, IsCargo, &cargo_range, &cargo);
    if (opt.verbose > 1 && now - c->last_trace >= 15) {
        c->last_trace = now;
        int32_t cargo_true = -1, escort_true = -1;
        for (auto &kv : c->contacts) {
            MotionState s = ContactNow(kv.second, now);
            int32_t r = Range(c->m.x, c->m.z, s.x, s.z);
            int32_t *best = IsCargo(kv.second)    ? &cargo_true
                            : IsEscort(kv.second) ? &escort_true
                                                  : nullptr;
            if (best && (*best < 0 || r < *best)) *best = r;
        }
        fprintf(stderr,
                "%s #%d t=%.0f phase %d depth %d engine %d heading %u seen-cargo %d "
                "cargo %d escort %d tubes %d\n",
                CAPTAIN_PROFILE_NAMES[c->profile], c->index, Since(c, now), c->phase, c->m.y,
                c->m.engine, (unsigned)Degrees(c->m.heading), cargo_range, cargo_true, escort_true,
                c->tubes);
    }
    CaptainCues cues{
        now - c->phase_since, cargo_range, c->charges_heard < 0 ? -1 : now - c->charges_heard,
        c->spread_fired,      c->o.sank,   c->attacks};
    Nearest(c, now, IsEscort, &cues.escort_range, nullptr);
    int next = CaptainNextPhase(c->profile, c->phase, cues);
    if (next != c->phase) {
        if (next == CAPTAIN_EVADE && c->spread_fired) c->attacks++;
        c->phase = next;
        c->phase_since = now;
        c->spread_fired = false;
        if (next == CAPTAIN_LEAVE) {
            SendBare(c, T_EXITBATTLE);
            c->state = C_LEAVING;
        }
    }
    CaptainOrders ord = CaptainStanding(c->profile, c->phase);
    c->observer = CaptainObserver(c->m.y, ord.observer);
    c->m.engine = ord.engine;
    if (c->profile == CAPTAIN_EXPERT &&
        (c->phase == CAPTAIN_APPROACH || c->phase == CAPTAIN_ATTACK)) {
        // Quiet near the escorts: their hydrophones hear a boat at full ahead from far off.
        int32_t escort_range;
        Nearest(c, now, IsEscort, &escort_range, nullptr);
        // Far from them, on the surface at full ahead: twice a submerged boat's speed, to get
        // ahead of a convoy that would outrun it submerged. Down again well outside their sight.
        bool far = (escort_range < 0 || escort_range > CAP_EXPERT_SURFACE) &&
                   (cargo_range < 0 || cargo_range > CAP_EXPERT_DIVE);
        bool near = (escort_range >= 0 && escort_range < CAP_EXPERT_DIVE) ||
                    (cargo_range >= 0 && cargo_range < CAP_EXPERT_DIVE);
        if (c->phase != CAPTAIN_APPROACH || near)
            c->surface_run = false;
        else if (far)
            c->surface_run = true;
        if (c->surface_run) {
            ord.depth = 0;
            c->m.engine = 4;
        }
        if (escort_range >= 0 && escort_range < CAP_EXPERT_SLOW) c->m.engine = 3;
        if (escort_range >= 0 && escort_range < CAP_EXPERT_SILENT) c->m.engine = 2;
    }
    if (c->row == ROW_SUBMARINE) {
        int32_t done;
        int32_t planes = DepthKeepPlanes(ord.depth, c->m.y, &done);
        c->m.trim = (c->m.trim & 0xff00) | planes;
    }

    bool evading = c->phase == CAPTAIN_EVADE || c->phase == CAPTAIN_LEAVE;
    uint16_t course = c->m.heading;
    if (c->profile == CAPTAIN_CARELESS) {
        int32_t r;
        MotionState e{};
        uint32_t id = Nearest(c, now, IsEscort, &r, &e);
        if (id) {
            course = AngleFrom(e.x, e.z, c->m.x, c->m.z);
            if (r < 3000 && c->tubes > 0 && now >= c->next_fire &&
                CaptainInBowArc(c->m.heading, course)) {
                FireTorpedo(c, course, now);
                c->next_fire = now + 6;
            }
        } else if (cargo_id) {
            course = AngleFrom(cargo.x, cargo.z, c->m.x, c->m.z);
        }
    } else if (c->profile == CAPTAIN_GUNNER) {
        if (cargo_id) {
            course = AngleFrom(cargo.x, cargo.z, c->m.x, c->m.z);
            if (cargo_range < 2500) {
                course = cargo.heading; // run alongside and keep shooting
                c->m.engine = 3;
            }
            const ShipClass *k = ShipClassOfRow(c->row);
            if (cargo_range <= k->gun_range && now >= c->next_fire) {
                SendWeapon(c, c->id, cargo_id, GUN_FIRE, c->m.heading, c->m.x, c->m.z);
                c->next_fire = now + CAP_GUN_RELOAD;
                c->o.fired = true;
                c->o.rounds++;
                if (c->first_shot < 0) c->first_shot = now;
            }
        }
        // An escort that turns on the shooter: running at it, full ahead, for 20 s.
        if (c->first_shot >= 0 && !c->o.engaged)
            for (auto &kv : c->contacts) {
                Contact &k = kv.second;
                if (!IsEscort(k)) continue;
                MotionState s = ContactNow(k, now);
                uint16_t to_us = AngleFrom(c->m.x, c->m.z, s.x, s.z);
                uint16_t off = (uint16_t)(to_us - s.heading);
                bool at_us = Range(c->m.x, c->m.z, s.x, s.z) < CAP_ENGAGE_RANGE && s.engine == 4 &&
                             (off < 0x0AAA || off > 0xFFFF - 0x0AAA);
                if (!at_us) {
                    k.pointing_since = 0;
                } else if (!k.pointing_since) {
                    k.pointing_since = now;
                } else if (now - k.pointing_since >= 20) {
                    c->o.engaged = true;
                    c->o.t_engaged = now - c->first_shot;
                }
            }
    } else if (!evading && cargo_id) {
        // Newcomer and expert: close the nearest cargo ship, and fire with a lead.
        Contact &k = c->contacts[cargo_id];
        double vx = 0, vz = 0;
        bool measured = CaptainTrackVelocity(&k.track, &vx, &vz);
        bool expert = c->profile == CAPTAIN_EXPERT;
        if (expert && measured) {
            // The plot gives the speed; the silhouette in the periscope gives the course it
            // steers now, which a zig-zag within the plot's last 40 s would smear.
            double speed = std::hypot(vx, vz), h = AngleToRadians(cargo.heading);
            vx = std::sin(h) * speed;
            vz = std::cos(h) * speed;
        }
        uint16_t aim = AngleFrom(cargo.x, cargo.z, c->m.x, c->m.z);
        double run = 0;
        // A newcomer guesses the lead each time he looks; an expert works it out from the plot.
        if (!expert && now >= c->next_fire)
            c->lead = std::uniform_real_distribution<double>(0.5, 1.0)(rng);
        bool can = measured && CaptainAim(c->m.x, c->m.z, cargo.x, cargo.z, vx, vz,
                                          expert ? 1.0 : c->lead, &aim, &run);
        course = aim;
        if (expert && measured && cargo_range > CAP_EXPERT_RANGE) {
            // Get ahead of the track: make for where the ship will be in two minutes.
            double px = cargo.x + vx * 120, pz = cargo.z + vz * 120;
            course = AngleFrom(MotionTrunc32(px), MotionTrunc32(pz), c->m.x, c->m.z);
        }
        bool deep_enough = c->m.y <= 20;
        bool in_arc = CaptainInBowArc(c->m.heading, aim);
        if (c->phase == CAPTAIN_ATTACK && can && in_arc && deep_enough && now >= c->next_fire &&
            c->tubes > 0) {
            if (expert && cargo_range <= CAP_EXPERT_RANGE && c->tubes >= 3) {
                // A spread: one on the lead and one either side of it.
                FireTorpedo(c, aim, now);
                FireTorpedo(c, (uint16_t)(aim - 0x0180), now);
                FireTorpedo(c, (uint16_t)(aim + 0x0180), now);
                c->spread_fired = true;
                c->next_fire = now + 10;
            } else if (!expert && cargo_range <= CAP_NEWCOMER_RANGE) {
                FireTorpedo(c, aim, now);
                c->next_fire = now + 8;
            }
        }
    } else if (evading) {
        c->m.helm = 2; // hold the course, deep and slow
    }
    if (!(evading && c->profile != CAPTAIN_CARELESS && c->profile != CAPTAIN_GUNNER))
        Steer(c, course);
    if (c->m.engine != o_engine || c->m.helm != o_helm || c->m.trim != o_trim) SendUpdate(c);
    if (!c->torpedoes.empty()) RunTorpedoes(c, now);
    if (now >= c->end_at && c->state == C_SAILING) {
        SendBare(c, T_EXITBATTLE); // the time is up: go home
        c->state = C_LEAVING;
    }
}

static int Connect() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)opt.port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (sockaddr *)&a, sizeof a) < 0) {
        close(fd);
        return -1;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

static double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

static void PrintTable(const std::vector<Outcome> &all) {
    printf("%-9s %7s %6s %6s %5s %5s %8s %5s %7s %8s %8s %8s %8s %8s\n", "profile", "battles",
           "near5k", "fired", "hit", "sank", "survived", "sunk", "engaged", "t_5km", "t_hit",
           "t_sink", "t_lost", "t_engage");
    for (int p : opt.profiles) {
        int n = 0, near = 0, fired = 0, hit = 0, sank = 0, surv = 0, sunk = 0, eng = 0;
        std::vector<double> tn, th, ts, tl, te;
        for (const Outcome &o : all) {
            if (o.profile != p || !o.joined) continue;
            n++;
            near += o.near;
            fired += o.fired;
            hit += o.hit;
            sank += o.sank;
            surv += !o.lost;
            sunk += o.lost;
            eng += o.engaged;
            if (o.near) tn.push_back(o.t_near);
            if (o.hit) th.push_back(o.t_hit);
            if (o.sank) ts.push_back(o.t_sink);
            if (o.lost) tl.push_back(o.t_lost);
            if (o.engaged) te.push_back(o.t_engaged);
        }
        auto med = [](const std::vector<double> &v) {
            static char b[5][16];
            static int i = 0;
            char *s = b[i++ % 5];
            double m = Median(v);
            if (m < 0)
                snprintf(s, 16, "-");
            else
                snprintf(s, 16, "%.0f s", m);
            return s;
        };
        printf("%-9s %7d %6d %6d %5d %5d %8d %5d %7s %8s %8s %8s %8s %8s\n",
               CAPTAIN_PROFILE_NAMES[p], n, near, fired, hit, sank, surv, sunk,
               // Of the gunners that shelled: the escorts can only answer a shot fired.
               p == CAPTAIN_GUNNER ? (std::to_string(eng) + "/" + std::to_string(fired)).c_str()
                                   : "-",
               med(tn), med(th), med(ts), med(tl), med(te));
    }
}

static FILE *outcomes; // --outcomes: one line per battle, for --summary

// Reads the outcome lines of the files (comma-separated) back into battles; false when one
// cannot be read.
static bool ReadOutcomes(const std::string &list, std::vector<Outcome> *all) {
    size_t from = 0;
    while (from <= list.size()) {
        size_t to = list.find(',', from);
        if (to == std::string::npos) to = list.size();
        std::string name = list.substr(from, to - from);
        from = to + 1;
        if (name.empty()) continue;
        FILE *f = fopen(name.c_str(), "r");
        if (!f) {
            fprintf(stderr, "kestrune-captain: cannot read %s\n", name.c_str());
            return false;
        }
        char line[512], profile[32];
        while (fgets(line, sizeof line, f)) {
            Outcome o;
            int b[8];
            if (sscanf(line, "outcome %31s %d %d %d %d %d %d %d %d %lf %lf %lf %lf %lf %d %d",
                       profile, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &o.t_near,
                       &o.t_hit, &o.t_sink, &o.t_lost, &o.t_engaged, &o.torpedoes, &o.rounds) != 16)
                continue;
            o.profile = CaptainProfileByName(profile);
            if (o.profile < 0) continue;
            o.joined = b[0], o.near = b[1], o.fired = b[2], o.hit = b[3], o.sank = b[4];
            o.lost = b[5], o.left = b[6], o.engaged = b[7];
            all->push_back(o);
        }
        fclose(f);
    }
    return true;
}

// Runs the battles of the given profiles, at most at_once at sea together.
static void Run(const std::vector<int> &profiles, std::vector<Outcome> *all) {
    std::vector<std::pair<int, int>> queue; // profile, battle index
    for (int i = 0; i < opt.battles; i++)
        for (int p : profiles)
            queue.push_back({p, i});
    size_t next = 0;
    std::vector<Captain *> live;
    static char buf[65536];
    while (next < queue.size() || !live.empty()) {
        while (next < queue.size() && (int)live.size() < opt.at_once) {
            Captain *c = new Captain();
            c->profile = queue[next].first;
            c->index = queue[next].second;
            c->o.profile = c->profile;
            c->fd = Connect();
            next++;
            if (c->fd < 0) {
                fprintf(stderr, "kestrune-captain: no server on 127.0.0.1:%d\n", opt.port);
                all->push_back(c->o);
                delete c;
                continue;
            }
            live.push_back(c);
        }
        std::vector<pollfd> pf(live.size());
        for (size_t i = 0; i < live.size(); i++)
            pf[i] = pollfd{live[i]->fd, (short)(POLLIN | (live[i]->out.empty() ? 0 : POLLOUT)), 0};
        poll(pf.data(), pf.size(), 20);
        double now = Now();
        for (size_t i = 0; i < live.size(); i++) {
            Captain *c = live[i];
            if (c->fd >= 0 && (pf[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                ssize_t r = recv(c->fd, buf, sizeof buf, MSG_DONTWAIT);
                if (r == 0 || (r < 0 && errno != EAGAIN)) {
                    if (c->state == C_SAILING) Lost(c, now);
                    Finish(c);
                } else if (r > 0) {
                    LineFeed(&c->framer, buf, (size_t)r, [&](const LineEvent &ev) {
                        if (c->state != C_DONE) HandleLine(c, ev.line, now);
                        return true;
                    });
                }
            }
            if (c->state == C_SAILING && now - c->last_tick >= 0.1) {
                c->last_tick = now;
                Think(c, now);
            } else if (c->state == C_LEAVING && now > c->end_at + 10) {
                Finish(c); // no answer to the exit: count it as still afloat
            }
            Flush(c);
        }
        for (size_t i = 0; i < live.size();) {
            Captain *c = live[i];
            if (c->state != C_DONE) {
                i++;
                continue;
            }
            if (opt.verbose)
                fprintf(stderr,
                        "%s #%d: joined %d near %d fired %d (%d torpedoes, %d rounds) hit %d "
                        "sank %d lost %d left %d engaged %d\n",
                        CAPTAIN_PROFILE_NAMES[c->profile], c->index, c->o.joined, c->o.near,
                        c->o.fired, c->o.torpedoes, c->o.rounds, c->o.hit, c->o.sank, c->o.lost,
                        c->o.left, c->o.engaged);
            if (outcomes) {
                const Outcome &o = c->o;
                fprintf(outcomes,
                        "outcome %s %d %d %d %d %d %d %d %d %.1f %.1f %.1f %.1f %.1f %d %d\n",
                        CAPTAIN_PROFILE_NAMES[o.profile], o.joined, o.near, o.fired, o.hit, o.sank,
                        o.lost, o.left, o.engaged, o.t_near, o.t_hit, o.t_sink, o.t_lost,
                        o.t_engaged, o.torpedoes, o.rounds);
                fflush(outcomes);
            }
            all->push_back(c->o);
            delete c;
            live.erase(live.begin() + (long)i);
        }
    }
}

static int Usage() {
    fprintf(stderr, "usage: kestrune-captain --captain newcomer,expert,careless,gunner "
                    "[--battles N] [--seed S]\n"
                    "  [--port N] [--at-once N] [--limit SECONDS] [--together 1] [--prefix NAME] "
                    "[--verbose 1] [--outcomes FILE]\n"
                    "       kestrune-captain --summary FILE[,FILE...]\n"
                    "Plays whole battles against the server on 127.0.0.1 and prints a table per "
                    "profile.\n");
    return 2;
}

int main(int argc, char **argv) {
    for (int i = 1; i < argc; i += 2) {
        std::string a = argv[i];
        if (i + 1 >= argc) return Usage();
        const char *v = argv[i + 1];
        if (a == "--captain") {
            std::string s = v;
            size_t from = 0;
            while (from <= s.size()) {
                size_t to = s.find(',', from);
                if (to == std::string::npos) to = s.size();
                int p = CaptainProfileByName(s.substr(from, to - from).c_str());
                if (p < 0) return Usage();
                opt.profiles.push_back(p);
                from = to + 1;
            }
        } else if (a == "--battles")
            opt.battles = atoi(v);
        else if (a == "--seed")
            opt.seed = (uint32_t)strtoul(v, nullptr, 10);
        else if (a == "--port")
            opt.port = atoi(v);
        else if (a == "--at-once")
            opt.at_once = atoi(v);
        else if (a == "--limit")
            opt.limit = atof(v);
        else if (a == "--together")
            opt.together = atoi(v) != 0;
        else if (a == "--verbose")
            opt.verbose = atoi(v);
        else if (a == "--prefix")
            opt.prefix = v;
        else if (a == "--outcomes") {
            outcomes = fopen(v, "a");
            if (!outcomes) {
                fprintf(stderr, "kestrune-captain: cannot write %s\n", v);
                return 2;
            }
        } else if (a == "--summary") {
            std::vector<Outcome> all;
            if (!ReadOutcomes(v, &all)) return 2;
            for (int p = 0; p < CAPTAIN_PROFILES; p++)
                for (const Outcome &o : all)
                    if (o.profile == p) {
                        opt.profiles.push_back(p);
                        break;
                    }
            PrintTable(all);
            return 0;
        } else
            return Usage();
    }
    if (opt.profiles.empty() || opt.battles <= 0 || opt.at_once <= 0 || opt.limit <= 0 ||
        opt.prefix.size() > 4)
        return Usage();
    rng.seed(opt.seed);
    std::vector<Outcome> all;
    if (opt.together) {
        Run(opt.profiles, &all);
    } else {
        for (int p : opt.profiles)
            Run({p}, &all);
    }
    PrintTable(all);
    return 0;
}
