// srv_world.cpp -- the battle world: ships, areas, the players' reports, sinkings and radio
#include "server/srv_world_local.h"
#include "common/wire.h"
#include "server/srv_line.h"
#include "server/srv_log.h"
#include "server/srv_score.h"

#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstring>

#define WORLD_NAME_MAX 15 // a captain's or ship's name, as the client holds it

static const char *const WORLD_PLAYER_SHIP_NAMES[] = {
    "Audacious", "Bold",     "Corsair", "Dauntless", "Eager",    "Fearless", "Gallant",
    "Harrier",   "Intrepid", "Javelin", "Keen",      "Lancer",   "Marauder", "Nimble",
    "Onslaught", "Paladin",  "Ranger",  "Sentinel",  "Tenacity", "Valiant",  "Warden"};

World *WorldCreate(const ServerConfig *cfg, const WorldSink &sink) {
    World *w = new World;
    w->cfg = cfg;
    w->sink = sink;
    w->rng.seed(cfg->seed ? cfg->seed : (uint32_t)time(nullptr));
    DronesInit(w);
    return w;
}

void WorldDestroy(World *w) {
    delete w;
}

int WorldRandom(World *w, int n) {
    if (n <= 1) return 0;
    return (int)(w->rng() % (uint32_t)n);
}

WShip *WorldFind(World *w, uint32_t id) {
    auto it = w->by_id.find(id);
    return it == w->by_id.end() || it->second->dead ? nullptr : it->second;
}

WShip *WorldNewShip(World *w, int row, int stype, int role) {
    if (w->ships.size() >= WORLD_MAX_SHIPS) return nullptr;
    auto s = std::make_unique<WShip>();
    do {
        s->id = w->next_id++;
        if (w->next_id >= 0x7fffffff) w->next_id = 0x10;
    } while (w->by_id.count(s->id));
    s->row = row;
    s->stype = stype;
    s->role = role;
    s->hp = ShipClassOfRow(row)->hull;
    s->m.engine = MOTION_NEUTRAL;
    s->m.helm = MOTION_NEUTRAL;
    s->m.trim = 0x8002;
    s->last_move = w->now;
    s->next_steady = w->now + (uint32_t)w->cfg->update_interval_ms;
    WShip *raw = s.get();
    w->by_id[raw->id] = raw;
    w->ships.push_back(std::move(s));
    if (role == ROLE_PLAYER)
        w->players++;
    else if (role == ROLE_TORPEDO)
        w->torpedoes++;
    else
        w->drones++;
    return raw;
}

std::string WorldUpdateLine(const WShip *s, int kind) {
    WireUpdate u = {(int32_t)s->id,
                    kind,
                    (int32_t)VelocityToWire(s->m.vx),
                    (int32_t)VelocityToWire(s->m.vy),
                    (int32_t)VelocityToWire(s->m.vz),
                    s->m.engine,
                    s->m.helm,
                    s->m.trim,
                    s->m.heading,
                    s->m.x,
                    s->m.y,
                    s->m.z};
    char line[WIRE_LINE_SIZE];
    WireFormatUpdate(&u, line, sizeof line);
    return line;
}

std::string WorldWeaponLine(uint32_t first, uint32_t second, int kind, int setting,
                            uint16_t heading, int32_t x, int32_t z) {
    WireWeapon m = {(int32_t)first, (int32_t)second, kind, setting, heading, x, z};
    char line[WIRE_LINE_SIZE];
    WireFormatWeapon(&m, line, sizeof line);
    return line;
}

static std::string WorldNewShipLine(const WShip *s) {
    WireNewShip m = {};
    m.ship_type = s->stype;
    snprintf(m.captain, sizeof m.captain, "%s", s->captain.c_str());
    snprintf(m.name, sizeof m.name, "%s", s->name.c_str());
    snprintf(m.ship_name, sizeof m.ship_name, "%s", s->ship_name.c_str());
    m.id = (int32_t)s->id;
    m.country = s->country;
    m.vx = (int32_t)VelocityToWire(s->m.vx);
    m.vy = (int32_t)VelocityToWire(s->m.vy);
    m.vz = (int32_t)VelocityToWire(s->m.vz);
    m.engine = s->m.engine;
    m.helm = s->m.helm;
    m.trim = s->m.trim;
    m.heading = s->m.heading;
    m.x = s->m.x;
    m.y = s->m.y;
    m.z = s->m.z;
    char line[WIRE_LINE_SIZE];
    WireFormatNewShip(&m, line, sizeof line);
    return line;
}

void WorldSendTo(World *w, uint32_t player, const std::string &line) {
    if (player && w->sink.send) w->sink.send(w->sink.ctx, player, line);
}

void WorldSendText(World *w, uint32_t player, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string line = WireTextLineV(T_TEXT, fmt, ap);
    va_end(ap);
    if (!line.empty()) WorldSendTo(w, player, line);
}

static void WorldSendEmpty(World *w, uint32_t player, int32_t number) {
    char line[WIRE_LINE_SIZE];
    WorldSendTo(w, player, std::string(line, WireFormatEmpty(number, line, sizeof line)));
}

static void WorldMission(World *w, uint32_t player, int kind, int slot, int32_t points) {
    WorldEvent ev = {kind, slot, points, w->now ? w->now : 1};
    if (player && w->sink.mission) w->sink.mission(w->sink.ctx, player, ev);
}

// A line about one player in the log (peer_limited: under its address's log limit).
static void WorldLog(World *w, uint32_t player, int level, bool peer_limited, const char *fmt, ...)
    __attribute__((format(printf, 5, 6)));
static void WorldLog(World *w, uint32_t player, int level, bool peer_limited, const char *fmt,
                     ...) {
    if (SrvLogLevel() < level || !w->sink.log) return;
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    w->sink.log(w->sink.ctx, player, level, peer_limited, text);
}

void WorldSendUpdate(World *w, WShip *s, int kind) {
    if (s->watchers.empty()) return;
    std::string line = WorldUpdateLine(s, kind);
    for (uint32_t pid : s->watchers) {
        WShip *p = WorldFind(w, pid);
        if (p && p->player) WorldSendTo(w, p->player, line);
    }
}

void WorldSendNear(World *w, int32_t x, int32_t z, const std::string &line) {
    for (auto &up : w->ships) {
        WShip *p = up.get();
        if (p->dead || !p->player) continue;
        if (Range(p->m.x, p->m.z, x, z) < AREA_LEAVE) WorldSendTo(w, p->player, line);
    }
}

// The player learns of a ship in its area: its new-ship line and its state, so that the
// client moves it from now on.
static void WorldIntroduce(World *w, WShip *player, WShip *s) {
    player->known.insert(s->id);
    s->watchers.insert(player->id);
    WorldSendTo(w, player->player, WorldNewShipLine(s));
    WorldSendTo(w, player->player, WorldUpdateLine(s, 0));
}

static void WorldForget(World *w, WShip *player, WShip *s, int kind) {
    player->known.erase(s->id);
    s->watchers.erase(player->id);
    if (player->player && kind) WorldSendTo(w, player->player, WorldUpdateLine(s, kind));
}

void WorldRemove(World *w, WShip *s, int kind) {
    if (s->dead) return;
    std::string line = WorldUpdateLine(s, kind);
    for (uint32_t pid : s->watchers) {
        auto it = w->by_id.find(pid);
        if (it == w->by_id.end()) continue;
        it->second->known.erase(s->id);
        if (it->second->player && !it->second->dead) WorldSendTo(w, it->second->player, line);
    }
    s->watchers.clear();
    for (uint32_t kid : s->known) {
        auto it = w->by_id.find(kid);
        if (it != w->by_id.end()) it->second->watchers.erase(s->id);
    }
    s->known.clear();
    s->dead = true;
    if (s->role == ROLE_PLAYER)
        w->players--;
    else if (s->role == ROLE_TORPEDO)
        w->torpedoes--;
    else
        w->drones--;
    if (s->role == ROLE_CARGO || s->role == ROLE_ESCORT) DronesShipGone(w, s);
    s->player = 0;
}

// ---- joining and leaving ----

static void WorldArea(World *w, WShip *p);

uint32_t WorldJoin(World *w, uint32_t player, int country, const std::string &captain,
                   int server_type, const std::string &ship_name) {
    int row = ShipRowOfType(server_type);
    if (!player || row <= 0 || w->players >= w->cfg->max_connections) return 0;
    WShip *s = WorldNewShip(w, row, server_type, ROLE_PLAYER);
    if (!s) return 0;
    s->player = player;
    s->country = country;
    s->captain = captain.substr(0, WORLD_NAME_MAX);
    s->name = ShipClassOfRow(row)->name;
    if (!ship_name.empty()) {
        s->ship_name = ship_name.substr(0, WORLD_NAME_MAX);
    } else {
        size_t n = sizeof WORLD_PLAYER_SHIP_NAMES / sizeof WORLD_PLAYER_SHIP_NAMES[0];
        s->ship_name = std::string(s->country ? "NS " : "WS ") +
                       WORLD_PLAYER_SHIP_NAMES[WorldRandom(w, (int)n)];
    }
    int32_t x, z;
    uint16_t heading;
    DronesSpawnPoint(w, s, &x, &z, &heading);
    MotionSetPosition(&s->m, x, 0, z, heading);
    WorldAnchor(w, s);
    s->last_move = s->last_report = w->now;
    s->next_request = w->now + (uint32_t)w->cfg->update_request_ms;
    s->tubes = ShipClassOfRow(row)->tubes;
    s->tubes_tick = w->now;

    char accept[WIRE_LINE_SIZE];
    WireFormatJoinAccept(s->id, accept, sizeof accept);
    WorldSendTo(w, player, accept);
    for (int r = 1; r < ROWS_SENT; r++)
        WorldSendTo(w, player, ShipTypeLine(r));
    // The own ship comes before every other: the client's battle starts with it, and its
    // stations and lists take the ships that follow as they come.
    WorldSendTo(w, player, WorldNewShipLine(s));
    WorldArea(w, s);
    // The others nearby learn of the newcomer at once rather than at their next area pass.
    for (auto &up : w->ships) {
        WShip *p = up.get();
        if (p->dead || !p->player || p == s || p->known.size() >= AREA_MAX_KNOWN) continue;
        if (Range(p->m.x, p->m.z, s->m.x, s->m.z) < AREA_ENTER) WorldIntroduce(w, p, s);
    }
    return s->id;
}

void WorldLeave(World *w, uint32_t player, uint32_t ship) {
    WShip *s = WorldFind(w, ship);
    if (!s || !player || s->player != player) return;
    WorldRemove(w, s, 3);
}

// ---- areas ----

// Brings one player's area up to date: ships that came within AREA_ENTER are introduced, ships
// beyond AREA_LEAVE are reported gone from it (kind 4).
static void WorldArea(World *w, WShip *p) {
    std::vector<uint32_t> leaving;
    for (uint32_t id : p->known) {
        WShip *s = WorldFind(w, id);
        if (!s || Range(p->m.x, p->m.z, s->m.x, s->m.z) > AREA_LEAVE) leaving.push_back(id);
    }
    for (uint32_t id : leaving) {
        auto it = w->by_id.find(id);
        if (it != w->by_id.end())
            WorldForget(w, p, it->second, 4);
        else
            p->known.erase(id);
    }
    for (auto &up : w->ships) {
        WShip *s = up.get();
        if (s->dead || s == p || s->role == ROLE_TORPEDO || p->known.count(s->id)) continue;
        if (p->known.size() >= AREA_MAX_KNOWN) break;
        if (Range(p->m.x, p->m.z, s->m.x, s->m.z) < AREA_ENTER) WorldIntroduce(w, p, s);
    }
}

// ---- the players' own lines ----

static void WorldDrop(World *w, const WShip *s, const char *what, std::string_view arg) {
    WorldLog(w, s->player, LOG_INFO, true, "dropped %s: %.*s", what,
             (int)std::min<size_t>(arg.size(), 120), arg.data());
}

#define MOVE_TIMING_MS 500 // timing error of reports that each window's fresh slack covers

void WorldAnchor(World *w, WShip *s) {
    s->anchor_x = s->m.x;
    s->anchor_z = s->m.z;
    s->anchor_tick = w->now;
    s->anchor_slack = w->cfg->move_slack;
}

// Checks a reported place against the ship's movement allowance. The allowance is counted from
// an anchor that moves up every move_window_s, never per report: a client that adds a little
// to each report gains no more than the slack, however often it reports. Returns whether the
// place lies within it.
static bool WorldWithinAllowance(World *w, WShip *s, int32_t x, int32_t z) {
    double since = (double)(uint32_t)(w->now - s->anchor_tick) / 1000.0;
    double allowance = ShipTopSpeed(s->row) * since + s->anchor_slack;
    return Range(x, z, s->anchor_x, s->anchor_z) <= allowance;
}

// After a report: when the window has passed, the anchor moves to where the server now has the
// ship. The new slack is what the ship left unused plus half a second at top speed (a report
// delayed on the way, or handled between steps), so a ship that spent its slack cannot spend
// it again in the next window: beyond the slack it gains half a second of top speed a window.
static void WorldMoveAnchor(World *w, WShip *s) {
    double since = (double)(uint32_t)(w->now - s->anchor_tick) / 1000.0;
    if (since < w->cfg->move_window_s) return;
    double slack = w->cfg->move_slack;
    double spare = ShipTopSpeed(s->row) * since + s->anchor_slack -
                   Range(s->m.x, s->m.z, s->anchor_x, s->anchor_z);
    s->anchor_slack =
        std::max(0.0, std::min(slack, spare + ShipTopSpeed(s->row) * MOVE_TIMING_MS / 1000.0));
    s->anchor_x = s->m.x;
    s->anchor_z = s->m.z;
    s->anchor_tick = w->now;
}

// Keeps the server's own place of a corrected ship within the allowance too (its dead reckoning
// runs on the velocity the client last reported).
static void WorldClampToAllowance(World *w, WShip *s) {
    double since = (double)(uint32_t)(w->now - s->anchor_tick) / 1000.0;
    double allowance = ShipTopSpeed(s->row) * since + s->anchor_slack;
    double dx = s->m.fx - s->anchor_x, dz = s->m.fz - s->anchor_z;
    double d = std::sqrt(dx * dx + dz * dz);
    if (d <= allowance || d <= 0) return;
    double k = allowance / d;
    MotionSetPosition(&s->m, (int32_t)(s->anchor_x + dx * k), s->m.y,
                      (int32_t)(s->anchor_z + dz * k), s->m.heading);
}

static int WorldWeaponFields(std::string_view arg, uint32_t *v) {
    WireWeapon m;
    if (WireParseWeapon(arg, &m, WIRE_STRICT) != WIRE_WEAPON_FIELDS) return 0;
    const int32_t f[WIRE_WEAPON_FIELDS] = {m.first_id, m.second_id, m.kind, m.setting,
                                           m.heading,  m.x,         m.z};
    for (int i = 0; i < WIRE_WEAPON_FIELDS; i++)
        v[i] = (uint32_t)f[i];
    return 1;
}

void WorldPlayerUpdate(World *w, uint32_t ship, std::string_view arg) {
    WShip *s = WorldFind(w, ship);
    uint32_t v[12];
    if (!s) return;
    if (!WireUpdateValues(arg, v)) {
        WorldDrop(w, s, "malformed update", arg);
        return;
    }
    if (v[0] != s->id) {
        WorldDrop(w, s, "update for another ship", arg);
        return;
    }
    uint32_t engine = v[5], helm = v[6], trim = v[7];
    uint32_t planes = trim & 0xff, buoyancy = (trim >> 8) & 0xff;
    if (v[1] > 2 || engine > 4 || helm > 4 || planes > 4 || (trim >> 16) != 0) {
        WorldDrop(w, s, "update with orders out of range", arg);
        return;
    }
    const ShipClass *k = ShipClassOfRow(s->row);
    bool sub = s->row == ROW_SUBMARINE;
    if (!sub) {
        planes = 2;
        buoyancy = 128;
    } else if (buoyancy < 124 || buoyancy > 132) {
        buoyancy = 128; // a ship cannot blow or flood its tanks beyond trimming
    }
    // Bring the server's ship up to now before comparing.
    double dt = MotionDt(w->now, s->last_move);
    if (dt > 0) MotionStep(&s->m, &k->c, dt);
    s->last_move = w->now;

    int32_t x = (int32_t)v[9], y = (int32_t)v[10], z = (int32_t)v[11];
    double vx = VelocityFromWire(v[2]), vy = VelocityFromWire(v[3]), vz = VelocityFromWire(v[4]);
    double top = ShipTopSpeed(s->row) / 2.0; // per 500 ms
    bool plausible = WorldWithinAllowance(w, s, x, z) && y >= 0 && y <= WORLD_DEPTH_LIMIT &&
                     (sub || y == 0) && std::sqrt(vx * vx + vz * vz) <= top * 1.25 + 1.0 &&
                     std::fabs(vy) <= 50.0;
    s->m.engine = (int32_t)engine;
    s->m.helm = (int32_t)helm;
    s->m.trim = (int32_t)(buoyancy << 8 | planes);
    s->last_report = w->now;
    if (plausible) {
        s->m.vx = vx;
        s->m.vy = vy;
        s->m.vz = vz;
        MotionSetPosition(&s->m, x, y, z, (uint16_t)v[8]);
    } else {
        WorldClampToAllowance(w, s);
        // One line per log interval however many reports are corrected.
        s->move_untold++;
        uint32_t interval = (uint32_t)std::max(1, w->cfg->log_interval_s) * 1000;
        if (!s->move_told || w->now - s->move_told >= interval) {
            WorldLog(
                w, s->player, LOG_INFO, true,
                "implausible report of ship %" PRIx32
                " at (%d,%d,%d), server has (%d,%d,%d); corrected (%d report%s since last told)",
                s->id, x, y, z, s->m.x, s->m.y, s->m.z, s->move_untold,
                s->move_untold == 1 ? "" : "s");
            s->move_told = w->now ? w->now : 1;
            s->move_untold = 0;
        }
        WorldSendTo(w, s->player, WorldUpdateLine(s, 1));
    }
    WorldMoveAnchor(w, s);
    WorldSendUpdate(w, s, 0);
    s->next_steady = w->now + (uint32_t)w->cfg->update_interval_ms;
}

static void WorldTorpedoLaunch(World *w, WShip *s, const uint32_t *v, std::string_view arg) {
    const ShipClass *k = ShipClassOfRow(s->row);
    if (!k->tubes) {
        WorldDrop(w, s, "torpedo from a ship without tubes", arg);
        return;
    }
    double reloaded = (double)(uint32_t)(w->now - s->tubes_tick) / TORPEDO_RELOAD_MS;
    s->tubes = std::min<double>(k->tubes, s->tubes + reloaded);
    s->tubes_tick = w->now;
    int live = 0;
    for (auto &up : w->ships)
        if (!up->dead && up->role == ROLE_TORPEDO && up->owner == s->id) live++;
    if (s->tubes < 1.0 || live >= TORPEDO_MAX_LIVE) {
        WorldDrop(w, s, "torpedo with no tube loaded", arg);
        return;
    }
    if (s->m.y > 20) {
        WorldDrop(w, s, "torpedo fired too deep", arg);
        return;
    }
    WShip *t = WorldNewShip(w, ROW_TORPEDO, STYPE_NONE, ROLE_TORPEDO);
    if (!t) return;
    s->tubes -= 1.0;
    int32_t x = (int32_t)v[5], z = (int32_t)v[6];
    if (Range(x, z, s->m.x, s->m.z) > FIX_SLACK) {
        x = s->m.x;
        z = s->m.z;
    }
    t->owner = s->id;
    t->country = s->country;
    MotionSetPosition(&t->m, x, 2, z, (uint16_t)v[4]);
    t->m.engine = 4;
    t->m.helm = MOTION_NEUTRAL;
    t->m.trim = 0x8002;
    t->expires = w->now + TORPEDO_LIFE_MS;
    t->last_move = w->now;
    LogDebug("ship %" PRIx32 " fired torpedo %" PRIx32, s->id, t->id);
    std::string line = WorldWeaponLine(t->id, s->id, TP_LAUNCH, 0, t->m.heading, x, z);
    WorldSendNear(w, x, z, line);
}

static void WorldTorpedoHit(World *w, WShip *s, const uint32_t *v, std::string_view arg) {
    WShip *t = WorldFind(w, v[0]);
    WShip *target = WorldFind(w, v[1]);
    if (!t || t->role != ROLE_TORPEDO || t->owner != s->id) {
        WorldDrop(w, s, "hit claim for a torpedo it has not running", arg);
        return;
    }
    if (!target || target->role == ROLE_TORPEDO || target == s) {
        WorldDrop(w, s, "hit claim on no ship", arg);
        return;
    }
    // Bring both up to now: the claim is judged where the server has them.
    MotionStep(&t->m, &ShipClassOfRow(t->row)->c, MotionDt(w->now, t->last_move));
    t->last_move = w->now;
    const ShipClass *k = ShipClassOfRow(target->row);
    int32_t d = Range(t->m.x, t->m.z, target->m.x, target->m.z);
    if (d > k->length / 2 + HIT_SLACK || target->m.y > 10) {
        WorldLog(w, s->player, LOG_INFO, false,
                 "hit claim of torpedo %" PRIx32 " on %" PRIx32 " refused: %d units off, depth %d",
                 t->id, target->id, d, target->m.y);
        return;
    }
    std::string line =
        WorldWeaponLine(t->id, target->id, TP_HIT, 0, t->m.heading, target->m.x, target->m.z);
    WorldSendNear(w, target->m.x, target->m.z, line);
    WorldRemove(w, t, 0);
    WorldDamage(w, target, s, TORPEDO_DAMAGE);
}

void WorldPlayerWeapon(World *w, uint32_t ship, std::string_view arg) {
    WShip *s = WorldFind(w, ship);
    uint32_t v[7];
    if (!s) return;
    if (!WorldWeaponFields(arg, v)) {
        WorldDrop(w, s, "malformed weapon line", arg);
        return;
    }
    MotionStep(&s->m, &ShipClassOfRow(s->row)->c, MotionDt(w->now, s->last_move));
    s->last_move = w->now;
    const ShipClass *k = ShipClassOfRow(s->row);
    switch (v[2]) {
    case TP_LAUNCH:
        if (v[1] != s->id) {
            WorldDrop(w, s, "torpedo launch for another ship", arg);
            return;
        }
        WorldTorpedoLaunch(w, s, v, arg);
        break;
    case TP_HIT:
        WorldTorpedoHit(w, s, v, arg);
        break;
    case DC_LAUNCH: {
        int setting = (int)v[3];
        if (v[0] != s->id || v[1] != s->id) {
            WorldDrop(w, s, "depth charges for another ship", arg);
            return;
        }
        if (!k->dc_reload || setting < 50 || setting > 250 || setting % 50 != 0) {
            WorldDrop(w, s, "depth charges not carried or set wrongly", arg);
            return;
        }
        if ((int32_t)(w->now - s->next_dc) < 0) {
            WorldDrop(w, s, "depth charges not reloaded", arg);
            return;
        }
        s->next_dc = w->now + (uint32_t)k->dc_reload - 500;
        int32_t x = (int32_t)v[5], z = (int32_t)v[6];
        if (Range(x, z, s->m.x, s->m.z) > FIX_SLACK) {
            x = s->m.x;
            z = s->m.z;
        }
        CombatDropCharges(w, s, setting, x, z);
        break;
    }
    case GUN_FIRE: {
        WShip *target = WorldFind(w, v[1]);
        if (v[0] != s->id) {
            WorldDrop(w, s, "gun fire for another ship", arg);
            return;
        }
        if (!k->gun_range || s->m.y > 2) {
            WorldDrop(w, s, "gun fire without a gun on deck", arg);
            return;
        }
        if ((int32_t)(w->now - s->next_gun) < 0) {
            WorldDrop(w, s, "gun fire before reload", arg);
            return;
        }
        if (!target || target == s || target->role == ROLE_TORPEDO) {
            WorldDrop(w, s, "gun fire at no ship", arg);
            return;
        }
        s->next_gun = w->now + (uint32_t)k->gun_reload - 300;
        CombatGun(w, s, target);
        break;
    }
    default:
        WorldDrop(w, s, "weapon kind a client does not send", arg);
        break;
    }
}

void WorldPlayerRadio(World *w, uint32_t ship, std::string_view arg) {
    WShip *s = WorldFind(w, ship);
    WireRadio r;
    if (!s) return;
    if (WireParseRadio(arg, &r, WIRE_STRICT) != 2 || r.addressee < 0 || r.addressee > 2) {
        WorldDrop(w, s, "radio line without addressee 0 to 2", arg);
        return;
    }
    int32_t to = r.addressee;
    std::string_view text = r.text;
    if (text.size() > 127) text = text.substr(0, 127); // the radio room's line
    if (text.empty() || !LinePrintable(text)) {
        WorldDrop(w, s, "empty or unprintable radio line", arg);
        return;
    }
    if (w->sink.radio && !w->sink.radio(w->sink.ctx, s->player)) {
        WorldDrop(w, s, "radio faster than one line a second", arg);
        return;
    }
    WireRadioRelay relay = {s->id, text};
    char relayed[WIRE_LINE_SIZE];
    WireFormatRadioRelay(&relay, relayed, sizeof relayed);
    std::string line = relayed;
    for (auto &up : w->ships) {
        WShip *p = up.get();
        if (p->dead || !p->player) continue;
        bool same = p->country == s->country;
        if (p == s || to == 0 || (to == 1 && !same) || (to == 2 && same))
            WorldSendTo(w, p->player, line);
    }
}

// ---- damage and sinking ----

static void WorldScore(World *w, WShip *attacker, WShip *victim, int slot, int points) {
    if (!attacker || !attacker->player) return;
    if (victim->role == ROLE_PLAYER && victim->country == attacker->country) {
        WorldMission(w, attacker->player, WORLD_SCORED, SCORE_PENALTY, -points); // friendly fire
    } else {
        WorldMission(w, attacker->player, WORLD_SCORED, slot, points);
    }
}

void WorldDamage(World *w, WShip *victim, WShip *attacker, int points) {
    if (victim->dead) return;
    victim->hp -= points;
    WorldMission(w, victim->player, WORLD_HIT, 0, 0);
    WorldScore(w, attacker, victim, SCORE_HITS, SCORE_HIT);
    DronesConvoyHit(w, victim, attacker);
    if (victim->hp > 0) {
        if (victim->player) {
            int32_t hull = ShipClassOfRow(victim->row)->hull;
            int pct = (int)((victim->hp * 100 + hull / 2) / std::max<int32_t>(1, hull));
            WorldSendText(w, victim->player, "Hit! Hull at %d%%.", std::max(1, std::min(100, pct)));
        }
        return;
    }
    uint32_t attacker_id = attacker ? attacker->id : victim->id;
    LogInfo("ship %" PRIx32 " (%s) sunk by %" PRIx32, victim->id, victim->captain.c_str(),
            attacker_id);
    std::string line = WorldWeaponLine(attacker_id, victim->id, WP_SUNK, 0, victim->m.heading,
                                       victim->m.x, victim->m.z);
    WorldSendNear(w, victim->m.x, victim->m.z, line);
    int slot = victim->stype == STYPE_MERCHANT || victim->stype == STYPE_TANKER ? SCORE_CARGO
                                                                                : SCORE_WARSHIPS;
    WorldScore(w, attacker, victim, slot, ScoreForSinking(victim->stype));
    uint32_t player = victim->player;
    WorldRemove(w, victim, 3);
    WorldMission(w, player, WORLD_SUNK, 0, 0);
}

// ---- the step ----

void WorldStep(World *w, uint32_t now) {
    std::chrono::steady_clock::time_point t0 = std::chrono::steady_clock::now();
    w->now = now;
    w->steps++;
    DronesStep(w);
    // Movement, torpedo life, steady updates and the players' requests.
    for (size_t i = 0; i < w->ships.size(); i++) {
        WShip *s = w->ships[i].get();
        if (s->dead) continue;
        double dt = MotionDt(now, s->last_move);
        s->last_move = now;
        MotionStep(&s->m, &ShipClassOfRow(s->row)->c, dt);
        if (s->role == ROLE_TORPEDO) {
            if ((int32_t)(now - s->expires) >= 0) WorldRemove(w, s, 0);
            continue;
        }
        if (s->dirty) {
            s->dirty = false;
            WorldSendUpdate(w, s, 0);
            s->next_steady = now + (uint32_t)w->cfg->update_interval_ms;
        } else if ((int32_t)(now - s->next_steady) >= 0) {
            WorldSendUpdate(w, s, 2);
            s->next_steady = now + (uint32_t)w->cfg->update_interval_ms;
        }
        if (s->player) {
            if ((int32_t)(now - s->next_request) >= 0) {
                WorldSendEmpty(w, s->player, T_UPDATEREQ);
                s->next_request = now + (uint32_t)w->cfg->update_request_ms;
            }
            if (s->id % AREA_PASSES == w->steps % AREA_PASSES) WorldArea(w, s);
        }
    }
    CombatStepCharges(w);
    // Drop the records of removed ships.
    size_t keep = 0;
    for (size_t i = 0; i < w->ships.size(); i++) {
        if (w->ships[i]->dead) {
            w->by_id.erase(w->ships[i]->id);
            continue;
        }
        if (keep != i) w->ships[keep] = std::move(w->ships[i]);
        keep++;
    }
    w->ships.resize(keep);
    double us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
    w->step_us_avg = w->step_us_avg == 0 ? us : w->step_us_avg * 0.99 + us * 0.01;
}

int WorldShips(World *w) {
    return w->players + w->drones;
}
int WorldTorpedoes(World *w) {
    return w->torpedoes;
}
double WorldStepMicros(World *w) {
    return w->step_us_avg;
}
