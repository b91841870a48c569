// srv_drones.cpp -- the server's own ships: convoys of merchants and tankers, and their escorts
#include "server/srv_world_local.h"
#include "server/srv_log.h"

#include <cinttypes>
#include <cmath>

#define CONVOY_MAX 6            // ships in one convoy
#define CONVOY_ROUTE 150000.0   // distance a convoy sails before it leaves the sea
#define CONVOY_RESPAWN_MS 30000 // a missing convoy is replaced after this
#define CONVOY_LINGER_MS 60000  // escorts of a convoy without cargo stay this long
#define CONVOY_ZIG 0x0E00       // zig-zag leg off the base course (about 20 degrees)
#define DRONE_THINK_MS 500
#define SONAR_RANGE 10000
#define LOOKOUT_RANGE 30000
#define SONAR_MOVING 50  // chance in 1000 per look of hearing a moving submarine
#define SONAR_STOPPED 15 // and a stopped one
#define CONTACT_LOST_MS 90000
#define DC_ATTACK_RANGE 300

static const char *const DRONE_CARGO_NAMES[] = {
    "Amber Star",  "Baltic Trader", "Cape Osprey", "Dover Light",  "Eastern Moon", "Fair Isle",
    "Grey Gull",   "Harbour Queen", "Iron Duke",   "Jade Venture", "Kestrel Bay",  "Lady Marlow",
    "Morning Sun", "North Cape",    "Ocean Pride", "Port Royal",   "Red Heron",    "Silver Tern"};
static const char *const DRONE_TANKER_NAMES[] = {"Black Pearl", "Crude Duchess", "Deep Well",
                                                 "Oil Baron",   "Petrel",        "Tarburn",
                                                 "Viscount",    "Wick Lantern"};
static const char *const DRONE_ESCORT_NAMES[] = {"Guardian", "Hawk",   "Kite",   "Osprey",
                                                 "Shrike",   "Vigil",  "Warden", "Watchman",
                                                 "Sparrow",  "Falcon", "Merlin", "Harrier"};

template <size_t N> static const char *DronePick(World *w, const char *const (&names)[N]) {
    return names[WorldRandom(w, (int)N)];
}

static double DroneRad(uint16_t a) {
    return AngleToRadians(a);
}

// The point of a station (across, along) relative to a guide sailing course.
static void DroneStation(const Convoy &cv, int32_t off_x, int32_t off_z, double *x, double *z) {
    double h = DroneRad(cv.course);
    *x = cv.gx + std::sin(h) * off_z + std::cos(h) * off_x;
    *z = cv.gz + std::cos(h) * off_z - std::sin(h) * off_x;
}

static void DroneOrder(WShip *s, int engine, int helm) {
    if (s->m.engine != engine || s->m.helm != helm) {
        s->m.engine = engine;
        s->m.helm = helm;
        s->dirty = true;
    }
}

// Rudder towards a course: amidships within a small band, half rudder near it, full beyond.
static int DroneHelmFor(uint16_t course, uint16_t heading) {
    int16_t diff = (int16_t)(uint16_t)(course - heading);
    int a = diff < 0 ? -diff : diff;
    int t = a < 0x100 ? 0 : a < 0x800 ? 1 : 2;
    return diff < 0 ? 2 - t : 2 + t;
}

static void DroneSteerTo(WShip *s, double tx, double tz, int engine) {
    uint16_t course = AngleFrom((int32_t)tx, (int32_t)tz, s->m.x, s->m.z);
    DroneOrder(s, engine, DroneHelmFor(course, s->m.heading));
}

static Convoy *DroneConvoy(World *w, int id) {
    for (Convoy &cv : w->convoys)
        if (cv.id == id) return &cv;
    return nullptr;
}

static void DronesSpawnConvoy(World *w, int count) {
    if (count <= 0) return;
    Convoy cv;
    cv.id = w->convoys.empty() ? 1 : w->convoys.back().id + 1;
    std::vector<WShip *> players;
    for (auto &up : w->ships)
        if (!up->dead && up->conn) players.push_back(up.get());
    double bearing = WorldRandom(w, 65536) * 2 * M_PI / 65536.0;
    if (!players.empty()) {
        WShip *p = players[WorldRandom(w, (int)players.size())];
        double d = 30000 + WorldRandom(w, 10000);
        cv.gx = p->m.x + std::sin(bearing) * d;
        cv.gz = p->m.z + std::cos(bearing) * d;
        // A course that passes the player at a few miles.
        int32_t ax = p->m.x + WorldRandom(w, 20001) - 10000;
        int32_t az = p->m.z + WorldRandom(w, 20001) - 10000;
        cv.base_course = AngleFrom(ax, az, (int32_t)cv.gx, (int32_t)cv.gz);
    } else {
        // The more convoys, the wider the sea they are spread over.
        int half = (int)(50000 * std::sqrt(std::max(1.0, w->srv->cfg.drones / (double)CONVOY_MAX)));
        cv.gx = WorldRandom(w, 2 * half + 1) - half;
        cv.gz = WorldRandom(w, 2 * half + 1) - half;
        cv.base_course = (uint16_t)WorldRandom(w, 65536);
    }
    cv.course = cv.base_course;
    cv.route = CONVOY_ROUTE;
    cv.next_zig = w->now + 60000 + (uint32_t)WorldRandom(w, 60000);
    int escorts = count >= 3 ? std::max(1, count / 3) : 0;
    int cargo = count - escorts;
    bool tanker_in = false;
    for (int i = 0; i < cargo; i++)
        if (i % 3 == 2) tanker_in = true;
    // The guide sails at three quarters of the slowest ship's best, so ships can catch up.
    cv.speed = 0.75 * ShipTopSpeed(tanker_in ? ROW_TANKER : ROW_MERCHANT);
    w->convoys.push_back(cv);
    Convoy &c = w->convoys.back();
    static const int32_t ESCORT_STATION[4][2] = {
        {0, 2500}, {2500, -600}, {-2500, -600}, {0, -4000}};
    for (int i = 0; i < count; i++) {
        bool escort = i >= cargo;
        int stype, row;
        if (escort) {
            stype = (i - cargo) % 2 == 0 ? STYPE_CORVETTE : STYPE_DESTROYER;
        } else {
            stype = i % 3 == 2 ? STYPE_TANKER : STYPE_MERCHANT;
        }
        row = ShipRowOfType(stype);
        WShip *s = WorldNewShip(w, row, stype, escort ? ROLE_ESCORT : ROLE_CARGO);
        if (!s) return;
        s->convoy = c.id;
        s->country = 2;
        s->captain = "DRONE";
        s->name = ShipClassOfRow(row)->name;
        s->ship_name = escort                  ? DronePick(w, DRONE_ESCORT_NAMES)
                       : stype == STYPE_TANKER ? DronePick(w, DRONE_TANKER_NAMES)
                                               : DronePick(w, DRONE_CARGO_NAMES);
        if (escort) {
            int k = (i - cargo) % 4;
            s->off_x = ESCORT_STATION[k][0];
            s->off_z = ESCORT_STATION[k][1];
        } else {
            s->off_x = i % 2 ? 700 : -700;
            s->off_z = -(i / 2) * 1200;
        }
        double x, z;
        DroneStation(c, s->off_x, s->off_z, &x, &z);
        MotionSetPosition(&s->m, (int32_t)x, 0, (int32_t)z, c.course);
        double v = c.speed / 2.0; // per 500 ms
        s->m.vx = std::sin(s->m.heading_rad) * v;
        s->m.vz = std::cos(s->m.heading_rad) * v;
        s->m.engine = 4;
        s->next_think = w->now + (uint32_t)WorldRandom(w, DRONE_THINK_MS);
    }
    LogDebug("convoy %d of %d ships at (%d,%d)", c.id, count, (int)c.gx, (int)c.gz);
}

void DronesInit(World *w) {
    int left = w->srv->cfg.drones;
    while (left > 0) {
        int n = std::min(left, CONVOY_MAX);
        DronesSpawnConvoy(w, n);
        left -= n;
    }
    w->next_convoy_check = w->now + CONVOY_RESPAWN_MS;
}

static void DronesRetire(World *w, Convoy &cv) {
    cv.live = false;
    for (auto &up : w->ships)
        if (!up->dead && up->convoy == cv.id) WorldRemove(w, up.get(), 4);
}

// Whether an escort notices a submarine now: by sight on the surface, by sonar below it.
static bool DroneDetects(World *w, WShip *e, WShip *sub, int32_t range) {
    if (sub->m.y <= 0) return range < LOOKOUT_RANGE;
    if (range >= SONAR_RANGE) return false;
    int chance = sub->m.engine == MOTION_NEUTRAL ? SONAR_STOPPED : SONAR_MOVING;
    (void)e;
    return WorldRandom(w, 1000) < chance;
}

static void DroneEscortThink(World *w, WShip *e, Convoy *cv) {
    const ShipClass *k = ShipClassOfRow(e->row);
    // Listen and look for submarines.
    for (auto &up : w->ships) {
        WShip *s = up.get();
        if (s->dead || s->row != ROW_SUBMARINE || s->role != ROLE_PLAYER) continue;
        int32_t r = Range(e->m.x, e->m.z, s->m.x, s->m.z);
        if (r > LOOKOUT_RANGE) continue;
        if (e->hunt && e->hunt != s->id) continue;
        if (DroneDetects(w, e, s, r)) {
            e->hunt = s->id;
            e->hunt_x = s->m.x + WorldRandom(w, 301) - 150;
            e->hunt_z = s->m.z + WorldRandom(w, 301) - 150;
            e->hunt_depth = s->m.y;
            e->hunt_seen = w->now;
        }
    }
    WShip *target = e->hunt ? WorldFind(w, e->hunt) : nullptr;
    if (e->hunt && (!target || w->now - e->hunt_seen > CONTACT_LOST_MS)) {
        e->hunt = 0;
        target = nullptr;
    }
    if (!target) {
        if (!cv || !cv->live) {
            DroneOrder(e, 3, DroneHelmFor(e->m.heading, e->m.heading));
            return;
        }
        double x, z;
        DroneStation(*cv, e->off_x, e->off_z, &x, &z);
        double d = std::hypot(x - e->m.x, z - e->m.z);
        if (d < 400)
            DroneOrder(e, 3, DroneHelmFor(cv->course, e->m.heading));
        else
            DroneSteerTo(e, x, z, 4);
        return;
    }
    int32_t r = Range(e->m.x, e->m.z, target->m.x, target->m.z);
    // A surfaced submarine in reach draws gunfire.
    if (k->gun_range && target->m.y <= 2 && r <= k->gun_range &&
        (int32_t)(w->now - e->next_gun) >= 0) {
        e->next_gun = w->now + (uint32_t)k->gun_reload;
        CombatGun(w, e, target);
        if (!WorldFind(w, target->id)) {
            e->hunt = 0;
            return;
        }
    }
    int32_t d = Range(e->m.x, e->m.z, e->hunt_x, e->hunt_z);
    if (d < DC_ATTACK_RANGE && target->m.y > 0 && k->dc_reload &&
        (int32_t)(w->now - e->next_dc) >= 0) {
        int setting = (e->hunt_depth + 25) / 50 * 50;
        if (WorldRandom(w, 100) < 30) setting += WorldRandom(w, 2) ? 50 : -50;
        setting = std::max(50, std::min(250, setting));
        e->next_dc = w->now + (uint32_t)k->dc_reload;
        CombatDropCharges(w, e, setting, e->m.x, e->m.z);
    }
    DroneSteerTo(e, e->hunt_x, e->hunt_z, 4);
}

static void DroneCargoThink(World *w, WShip *s, Convoy *cv) {
    (void)w;
    if (!cv || !cv->live) {
        DroneOrder(s, 4, DroneHelmFor(s->m.heading, s->m.heading));
        return;
    }
    double x, z;
    DroneStation(*cv, s->off_x, s->off_z, &x, &z);
    double d = std::hypot(x - s->m.x, z - s->m.z);
    if (d < 300)
        DroneOrder(s, 3, DroneHelmFor(cv->course, s->m.heading));
    else
        DroneSteerTo(s, x, z, 4);
}

void DronesStep(World *w) {
    double secs = w->srv->cfg.step_ms / 1000.0;
    for (Convoy &cv : w->convoys) {
        if (!cv.live) continue;
        if ((int32_t)(w->now - cv.next_zig) >= 0) {
            cv.zig = WorldRandom(w, 3) - 1;
            cv.course = (uint16_t)(cv.base_course + cv.zig * CONVOY_ZIG);
            cv.next_zig = w->now + 60000 + (uint32_t)WorldRandom(w, 60000);
        }
        double h = DroneRad(cv.course);
        cv.gx += std::sin(h) * cv.speed * secs;
        cv.gz += std::cos(h) * cv.speed * secs;
        cv.run += cv.speed * secs;
        if (cv.run > cv.route || (cv.cargo_gone_at && w->now - cv.cargo_gone_at > CONVOY_LINGER_MS))
            DronesRetire(w, cv);
    }
    for (size_t i = 0; i < w->ships.size(); i++) {
        WShip *s = w->ships[i].get();
        if (s->dead || (s->role != ROLE_CARGO && s->role != ROLE_ESCORT)) continue;
        if ((int32_t)(w->now - s->next_think) < 0) continue;
        s->next_think = w->now + DRONE_THINK_MS;
        Convoy *cv = DroneConvoy(w, s->convoy);
        if (s->role == ROLE_ESCORT)
            DroneEscortThink(w, s, cv);
        else
            DroneCargoThink(w, s, cv);
    }
    // Keep the sea stocked: replace what was sunk or sailed away, a convoy at a time.
    if ((int32_t)(w->now - w->next_convoy_check) >= 0) {
        w->next_convoy_check = w->now + CONVOY_RESPAWN_MS;
        int missing = w->srv->cfg.drones - w->drones;
        if (missing > 0) DronesSpawnConvoy(w, std::min(missing, CONVOY_MAX));
        // Forget retired convoys.
        std::vector<Convoy> live;
        for (Convoy &cv : w->convoys)
            if (cv.live) live.push_back(cv);
        w->convoys.swap(live);
    }
}

void DronesConvoyHit(World *w, WShip *victim, WShip *attacker) {
    if (victim->convoy < 0 || !attacker || attacker->row != ROW_SUBMARINE) return;
    for (auto &up : w->ships) {
        WShip *e = up.get();
        if (e->dead || e->role != ROLE_ESCORT || e->convoy != victim->convoy || e->hunt) continue;
        if (Range(e->m.x, e->m.z, victim->m.x, victim->m.z) > 20000) continue;
        // The torpedo's track gives away roughly where the submarine lies.
        e->hunt = attacker->id;
        e->hunt_x = attacker->m.x + WorldRandom(w, 3001) - 1500;
        e->hunt_z = attacker->m.z + WorldRandom(w, 3001) - 1500;
        e->hunt_depth = attacker->m.y;
        e->hunt_seen = w->now;
    }
}

void DronesShipGone(World *w, WShip *s) {
    if (s->role != ROLE_CARGO) return;
    Convoy *cv = DroneConvoy(w, s->convoy);
    if (!cv) return;
    for (auto &up : w->ships)
        if (!up->dead && up.get() != s && up->convoy == cv->id && up->role == ROLE_CARGO) return;
    cv->cargo_gone_at = w->now ? w->now : 1;
}

void DronesSpawnPoint(World *w, int32_t *x, int32_t *z, uint16_t *heading) {
    std::vector<Convoy *> live;
    for (Convoy &cv : w->convoys)
        if (cv.live && !cv.cargo_gone_at) live.push_back(&cv);
    double bearing = WorldRandom(w, 65536) * 2 * M_PI / 65536.0;
    if (live.empty()) {
        *x = WorldRandom(w, 40001) - 20000;
        *z = WorldRandom(w, 40001) - 20000;
        *heading = (uint16_t)WorldRandom(w, 65536);
        return;
    }
    Convoy *cv = live[WorldRandom(w, (int)live.size())];
    int near = w->srv->cfg.spawn_near;
    double d = near > 0 ? near : 15000 + WorldRandom(w, 7000);
    *x = (int32_t)(cv->gx + std::sin(bearing) * d);
    *z = (int32_t)(cv->gz + std::cos(bearing) * d);
    *heading = AngleFrom((int32_t)cv->gx, (int32_t)cv->gz, *x, *z);
}
