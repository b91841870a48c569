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
// Sight, in units: a surfaced submarine sits low in the water; a periscope shows only close, and
// only at periscope depth; other ships stand out to the lookout's horizon.
#define SIGHT_SHIP 30000
#define SIGHT_SUB_SURFACED 7000
#define SIGHT_SUB_SURFACED_STOPPED 4500 // no bow wave, no wake
#define SIGHT_PERISCOPE 1800
#define SIGHT_PERISCOPE_STOPPED 900
#define SIGHT_PERISCOPE_DEPTH 15 // deeper, nothing shows above the water
#define RADAR_SHIP 60000
#define RADAR_SUB_SURFACED 7500 // a conning tower is a small echo
// Sonar and hydrophones hear a submerged boat by its engine order; deep water hides it further.
#define SONAR_FULL 5000
#define SONAR_SLOW 2500
#define SONAR_STOPPED 600
#define SONAR_DEEP 60 // below this the range is cut to SONAR_DEEP_PCT
#define SONAR_DEEP_PCT 60
#define SONAR_CHANCE_FULL 200 // chances in 1000 per look
#define SONAR_CHANCE_SLOW 80
#define SONAR_CHANCE_STOPPED 30
// Errors of an estimate, in thousandths of the range.
#define ERR_SIGHT 30
#define ERR_RADAR 20
#define ERR_SONAR 120
#define CONTACT_FRESH_MS 3000 // a contact this young is held: the guns may fire at it
#define CONTACT_LOST_MS 60000 // not renewed for this long, the hunt is given up
#define HUNT_LEASH 15000      // nor does a hunter chase farther than this from its convoy
#define HUNT_SEARCH 1500      // search points lie this far about the last estimate
#define GUN_READY_MS 4000     // from the start of a hunt to the first round
#define DC_ATTACK_RANGE 300
#define DC_ATTACK_AFTER_MS 30000 // charges are dropped on a search point this long after contact
#define CONVOY_ALARM_MS 180000   // a convoy attacked stays alert this long
#define CONVOY_ALARM_ZIG 0x1800  // and zig-zags wider (about 34 degrees)
#define CONVOY_ALARM_RADIUS 8000 // an escort's contact this close to the guide alarms the convoy
#define SPAWN_AHEAD_ARC 0x1200   // a new boat starts this far either side of a convoy's course
#define SPAWN_NEAR_STEP 1500     // boats placed near a convoy start this far apart on its track
#define SPAWN_NEAR_SLOTS 16      // and at most this many steps out
#define CARGO_FLEE 10000         // a cargo ship this close to a threat turns away from it
#define DRONE_HIT_REACH 20000    // escorts this far from a hit ship come to its help

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
        if (!up->dead && up->player) players.push_back(up.get());
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
        int half = (int)(50000 * std::sqrt(std::max(1.0, w->cfg->drones / (double)CONVOY_MAX)));
        cv.gx = WorldRandom(w, 2 * half + 1) - half;
        cv.gz = WorldRandom(w, 2 * half + 1) - half;
        cv.base_course = (uint16_t)WorldRandom(w, 65536);
    }
    cv.course = cv.base_course;
    cv.route = CONVOY_ROUTE;
    cv.next_zig = w->now + 60000 + (uint32_t)WorldRandom(w, 60000);
    // On a sea with escorts, every convoy of two ships or more has one: a replacement for two
    // sunk merchants must not sail unguarded, or whoever shells it meets no one. A sea of one or
    // two drones (a test's) stays merchants only.
    bool escorted_sea = w->cfg->drones >= 3;
    int escorts = count >= 3 ? std::max(1, count / 3) : count == 2 && escorted_sea ? 1 : 0;
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
    int left = w->cfg->drones;
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

static bool DroneIsEscortRow(int row) {
    return row == ROW_DESTROYER || row == ROW_CORVETTE;
}

// A look out to range limit: the nearer, the likelier the crew notices (90 % close, 20 % at it).
static bool DroneSight(World *w, int32_t r, int32_t limit) {
    if (r >= limit) return false;
    return WorldRandom(w, 1000) < 900 - (int)(700LL * r / limit);
}

bool DronesSense(World *w, const WShip *watcher, const WShip *target, int32_t *err) {
    int32_t r = Range(watcher->m.x, watcher->m.z, target->m.x, target->m.z);
    bool sub = target->row == ROW_SUBMARINE;
    int32_t y = target->m.y;
    bool stopped = target->m.engine == MOTION_NEUTRAL;
    int32_t sight = 0, radar = 0;
    if (!sub || y <= 2) {
        sight = !sub ? SIGHT_SHIP : stopped ? SIGHT_SUB_SURFACED_STOPPED : SIGHT_SUB_SURFACED;
        if (watcher->row == ROW_DESTROYER) radar = sub ? RADAR_SUB_SURFACED : RADAR_SHIP;
    } else if (y <= SIGHT_PERISCOPE_DEPTH) {
        sight = stopped ? SIGHT_PERISCOPE_STOPPED : SIGHT_PERISCOPE;
    }
    int permille = 0;
    if (radar && r < radar && WorldRandom(w, 1000) < 700) {
        permille = ERR_RADAR;
    } else if (sight && DroneSight(w, r, sight)) {
        permille = ERR_SIGHT;
    } else if (sub && y > 2 && DroneIsEscortRow(watcher->row)) {
        int e = target->m.engine;
        int32_t range = stopped ? SONAR_STOPPED : e == 0 || e == 4 ? SONAR_FULL : SONAR_SLOW;
        int chance = stopped            ? SONAR_CHANCE_STOPPED
                     : e == 0 || e == 4 ? SONAR_CHANCE_FULL
                                        : SONAR_CHANCE_SLOW;
        if (y > SONAR_DEEP) range = range * SONAR_DEEP_PCT / 100;
        if (r >= range || WorldRandom(w, 1000) >= chance) return false;
        permille = ERR_SONAR;
    } else {
        return false;
    }
    *err = (int32_t)((int64_t)r * permille / 1000) + 50;
    return true;
}

static int32_t DroneScatter(World *w, int32_t err) {
    return WorldRandom(w, 2 * err + 1) - err;
}

// A contact renewed: the estimate moves, and the hunter heads for it.
static void DroneContact(World *w, WShip *e, const WShip *s, int32_t err) {
    e->hunt_x = s->m.x + DroneScatter(w, err);
    e->hunt_z = s->m.z + DroneScatter(w, err);
    e->goal_x = e->hunt_x;
    e->goal_z = e->hunt_z;
    e->hunt_depth = s->row == ROW_SUBMARINE && s->m.y > 2 ? s->m.y + DroneScatter(w, 20) : 0;
    e->hunt_seen = w->now ? w->now : 1;
}

static void DroneStartHunt(World *w, WShip *e, const WShip *s, int32_t err) {
    if (e->hunt != s->id) {
        e->hunt = s->id;
        e->hunt_since = w->now;
    }
    DroneContact(w, e, s, err);
}

// An escort's contact turns the convoy's zig-zags wider; a ship hit or shelled (`fired_on`) also
// sends the cargo ships near the attacker running from it.
static void DroneAlarm(World *w, Convoy *cv, uint32_t threat, int32_t x, int32_t z, bool fired_on) {
    if (!cv) return;
    if (fired_on) cv->scatter_until = w->now + CONVOY_ALARM_MS;
    bool was = cv->alarm_until && (int32_t)(w->now - cv->alarm_until) < 0;
    cv->alarm_until = w->now + CONVOY_ALARM_MS;
    cv->threat = threat;
    cv->threat_x = x;
    cv->threat_z = z;
    if (!was) cv->next_zig = w->now; // the first alarm turns the convoy at once
}

static bool DroneAlarmed(World *w, const Convoy *cv) {
    return cv && cv->alarm_until && (int32_t)(w->now - cv->alarm_until) < 0;
}

// Back to the ship's station in the convoy at full ahead, then its course at half ahead once
// within `near` of it.
static void DroneKeepStation(WShip *s, const Convoy &cv, double near) {
    double x, z;
    DroneStation(cv, s->off_x, s->off_z, &x, &z);
    if (std::hypot(x - s->m.x, z - s->m.z) < near)
        DroneOrder(s, 3, DroneHelmFor(cv.course, s->m.heading));
    else
        DroneSteerTo(s, x, z, 4);
}

static void DroneToStation(WShip *e, Convoy *cv) {
    if (!cv || !cv->live) {
        DroneOrder(e, 3, DroneHelmFor(e->m.heading, e->m.heading));
        return;
    }
    DroneKeepStation(e, *cv, 400);
}

// How far a point lies from what the escorts guard: the guide, or the nearest of the convoy's
// cargo ships, since a merchant fired on runs from its station and the raider follows it.
static int32_t DroneFromConvoy(World *w, const Convoy &cv, int32_t x, int32_t z) {
    int32_t best = Range(x, z, (int32_t)cv.gx, (int32_t)cv.gz);
    for (auto &up : w->ships)
        if (!up->dead && up->convoy == cv.id && up->role == ROLE_CARGO)
            best = std::min(best, Range(x, z, up->m.x, up->m.z));
    return best;
}

static void DroneEscortThink(World *w, WShip *e, Convoy *cv) {
    const ShipClass *k = ShipClassOfRow(e->row);
    // Look and listen: keep the contact in hand, or pick up a submarine, or a ship that attacked
    // the convoy.
    for (auto &up : w->ships) {
        WShip *s = up.get();
        if (s->dead || s->role != ROLE_PLAYER) continue;
        if (e->hunt && e->hunt != s->id) continue;
        bool hostile = s->row == ROW_SUBMARINE || e->hunt == s->id || (cv && cv->threat == s->id);
        if (!hostile) continue;
        if (Range(e->m.x, e->m.z, s->m.x, s->m.z) >= RADAR_SHIP) continue;
        int32_t err = 0;
        if (!DronesSense(w, e, s, &err)) continue;
        DroneStartHunt(w, e, s, err);
        if (cv &&
            Range(e->hunt_x, e->hunt_z, (int32_t)cv->gx, (int32_t)cv->gz) < CONVOY_ALARM_RADIUS)
            DroneAlarm(w, cv, s->id, e->hunt_x, e->hunt_z, false);
        break;
    }
    WShip *target = e->hunt ? WorldFind(w, e->hunt) : nullptr;
    bool leashed = cv && cv->live && DroneFromConvoy(w, *cv, e->hunt_x, e->hunt_z) > HUNT_LEASH;
    if (e->hunt && (!target || w->now - e->hunt_seen > CONTACT_LOST_MS || leashed)) {
        e->hunt = 0;
        target = nullptr;
    }
    if (!target) {
        DroneToStation(e, cv);
        return;
    }
    bool fresh = w->now - e->hunt_seen < CONTACT_FRESH_MS;
    int32_t r = Range(e->m.x, e->m.z, target->m.x, target->m.z);
    // A ship on the surface in reach, in sight now, draws gunfire once the guns are manned.
    if (fresh && k->gun_range && target->m.y <= 2 && r <= k->gun_range &&
        w->now - e->hunt_since >= GUN_READY_MS && (int32_t)(w->now - e->next_gun) >= 0) {
        e->next_gun = w->now + (uint32_t)k->gun_reload;
        CombatGun(w, e, target);
        if (!WorldFind(w, target->id)) {
            e->hunt = 0;
            return;
        }
    }
    int32_t d = Range(e->m.x, e->m.z, e->goal_x, e->goal_z);
    if (target->row == ROW_SUBMARINE && d < DC_ATTACK_RANGE) {
        // Over the estimate or a search point: charges while the contact is warm, then search on.
        if (e->hunt_depth > 2 && k->dc_reload && w->now - e->hunt_seen < DC_ATTACK_AFTER_MS &&
            (int32_t)(w->now - e->next_dc) >= 0) {
            int setting = (e->hunt_depth + 25) / 50 * 50;
            if (WorldRandom(w, 100) < 30) setting += WorldRandom(w, 2) ? 50 : -50;
            setting = std::max(50, std::min(250, setting));
            e->next_dc = w->now + (uint32_t)k->dc_reload;
            CombatDropCharges(w, e, setting, e->m.x, e->m.z);
        }
        if (!fresh) {
            e->goal_x = e->hunt_x + DroneScatter(w, HUNT_SEARCH);
            e->goal_z = e->hunt_z + DroneScatter(w, HUNT_SEARCH);
        }
    }
    // A surface ship is closed to well within gun range and kept there.
    if (target->row != ROW_SUBMARINE && k->gun_range && d < k->gun_range / 2) {
        DroneOrder(e, 3,
                   DroneHelmFor(AngleFrom(e->goal_x, e->goal_z, e->m.x, e->m.z), e->m.heading));
        return;
    }
    DroneSteerTo(e, e->goal_x, e->goal_z, 4);
}

static void DroneCargoThink(World *w, WShip *s, Convoy *cv) {
    if (!cv || !cv->live) {
        DroneOrder(s, 4, DroneHelmFor(s->m.heading, s->m.heading));
        return;
    }
    // Fired on, a merchant near the attacker puts its stern to it and runs; a contact alone
    // leaves the ships on station, zig-zagging with the convoy.
    bool scattering = cv->scatter_until && (int32_t)(w->now - cv->scatter_until) < 0;
    if (scattering && Range(s->m.x, s->m.z, cv->threat_x, cv->threat_z) < CARGO_FLEE) {
        uint16_t away = AngleFrom(s->m.x, s->m.z, cv->threat_x, cv->threat_z);
        DroneOrder(s, 4, DroneHelmFor(away, s->m.heading));
        return;
    }
    DroneKeepStation(s, *cv, 300);
}

// A captain is told once when escorts start closing on the ship, not at every renewed contact.
static void DronesTellHunted(World *w) {
    std::unordered_set<uint32_t> hunted;
    for (auto &up : w->ships)
        if (!up->dead && up->role == ROLE_ESCORT && up->hunt) hunted.insert(up->hunt);
    for (auto &up : w->ships) {
        WShip *p = up.get();
        if (p->dead || !p->player) continue;
        bool now_hunted = hunted.count(p->id) > 0;
        if (now_hunted && !p->told_hunted)
            WorldSendText(w, p->player, "Escorts are closing on you!");
        p->told_hunted = now_hunted;
    }
}

void DronesStep(World *w) {
    double secs = w->cfg->step_ms / 1000.0;
    for (Convoy &cv : w->convoys) {
        if (!cv.live) continue;
        if ((int32_t)(w->now - cv.next_zig) >= 0) {
            if (DroneAlarmed(w, &cv)) {
                // Under attack: short legs, wide, from one side to the other.
                cv.zig = cv.zig > 0 ? -1 : 1;
                cv.course = (uint16_t)(cv.base_course + cv.zig * CONVOY_ALARM_ZIG);
                cv.next_zig = w->now + 20000 + (uint32_t)WorldRandom(w, 20000);
            } else {
                cv.zig = WorldRandom(w, 3) - 1;
                cv.course = (uint16_t)(cv.base_course + cv.zig * CONVOY_ZIG);
                cv.next_zig = w->now + 60000 + (uint32_t)WorldRandom(w, 60000);
            }
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
    DronesTellHunted(w);
    // Keep the sea stocked: replace what was sunk or sailed away, a convoy at a time.
    if ((int32_t)(w->now - w->next_convoy_check) >= 0) {
        w->next_convoy_check = w->now + CONVOY_RESPAWN_MS;
        // On a sea with escorts one lost ship waits for a second: a lone merchant would sail
        // unguarded, and whoever shelled it would meet no one.
        int missing = w->cfg->drones - w->drones;
        bool escorted_sea = w->cfg->drones >= 3;
        if (missing >= (escorted_sea ? 2 : 1)) DronesSpawnConvoy(w, std::min(missing, CONVOY_MAX));
        // Forget retired convoys.
        std::vector<Convoy> live;
        for (Convoy &cv : w->convoys)
            if (cv.live) live.push_back(cv);
        w->convoys.swap(live);
    }
}

void DronesConvoyHit(World *w, WShip *victim, WShip *attacker) {
    if (victim->convoy < 0 || !attacker || attacker->role != ROLE_PLAYER) return;
    // A torpedo's track gives away roughly where a submarine lies; a gun's flash gives the ship.
    int32_t err = attacker->row == ROW_SUBMARINE ? 1500 : 200;
    Convoy *cv = DroneConvoy(w, victim->convoy);
    DroneAlarm(w, cv, attacker->id, attacker->m.x + DroneScatter(w, err),
               attacker->m.z + DroneScatter(w, err), true);
    for (auto &up : w->ships) {
        WShip *e = up.get();
        if (e->dead || e->role != ROLE_ESCORT || e->convoy != victim->convoy) continue;
        if (Range(e->m.x, e->m.z, victim->m.x, victim->m.z) > DRONE_HIT_REACH) continue;
        DroneStartHunt(w, e, attacker, err);
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

void DronesSpawnPoint(World *w, const WShip *self, int32_t *x, int32_t *z, uint16_t *heading) {
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
    int near = w->cfg->spawn_near;
    double d = near > 0 ? near : 15000 + WorldRandom(w, 7000);
    // Ahead of the convoy, within 25 degrees of its base course: a boat that starts astern of
    // ships as fast as it is submerged can never catch them, and lying in wait across their
    // track is how a submarine attacks a convoy.
    int spread = SPAWN_AHEAD_ARC;
    int32_t off = WorldRandom(w, 2 * spread + 1) - spread;
    if (near > 0) {
        // Placed near for a test or a demonstration: on the track, at the first place
        // along it, from the asked distance outwards, that no other boat holds, so that none
        // starts in another's place or in the line of fire of those nearer the convoy; to one
        // side of it when asked, so the convoy passes abeam.
        double h = (double)cv->base_course * 2 * M_PI / 65536.0;
        // Starboard of the course: its heading turned a quarter clockwise.
        double side = w->cfg->spawn_side;
        double sx = std::cos(h) * side, sz = -std::sin(h) * side;
        for (int k = 0; k < SPAWN_NEAR_SLOTS; k++) {
            double at = near + k * SPAWN_NEAR_STEP;
            int32_t px = (int32_t)(cv->gx + std::sin(h) * at + sx);
            int32_t pz = (int32_t)(cv->gz + std::cos(h) * at + sz);
            bool taken = false;
            for (auto &up : w->ships)
                if (!up.get()->dead && up.get() != self && up->role == ROLE_PLAYER &&
                    Range(up->m.x, up->m.z, px, pz) < SPAWN_NEAR_STEP / 2)
                    taken = true;
            *x = px;
            *z = pz;
            if (!taken) break;
        }
    } else {
        bearing = (cv->base_course + off) * 2 * M_PI / 65536.0;
        *x = (int32_t)(cv->gx + std::sin(bearing) * d);
        *z = (int32_t)(cv->gz + std::cos(bearing) * d);
    }
    *heading = AngleFrom((int32_t)cv->gx, (int32_t)cv->gz, *x, *z);
}
