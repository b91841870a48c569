// srv_world_local.h -- the world's records, shared by its movement, combat and drone modules
#pragma once

#include <stdint.h>

#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/motion.h"
#include "common/packets.h"
#include "common/wire.h"
#include "server/srv_server.h"
#include "server/srv_shiptypes.h"
#include "server/srv_world.h"

#define AREA_ENTER 65000 // a ship closer than this is in a player's area (radar range and margin)
// A client holds at most 50 ships and torpedoes, its own ship among them (sent last on joining):
// never introduce more ships than leave it room for its own and for torpedoes in the water.
#define AREA_MAX_KNOWN 40
#define AREA_LEAVE 75000 // and leaves it beyond this, so ships at the edge do not flicker
#define AREA_PASSES 10   // each player's area is brought up to date every this many steps
#define WORLD_MAX_SHIPS 6000
#define TORPEDO_LIFE_MS 120000
#define TORPEDO_MAX_LIVE 8      // per ship
#define TORPEDO_RELOAD_MS 28000 // one tube reloaded in this time
#define TORPEDO_DAMAGE 50
#define GUN_DAMAGE 10
#define DC_DAMAGE 30
#define DC_RADIUS 250    // horizontal reach of a depth-charge pattern
#define DC_DEPTH_BAND 30 // and its vertical reach about its depth setting
#define HIT_SLACK 600    // how far beyond its half length a torpedo hit claim may lie
#define FIX_SLACK 1000   // how far a launch point may lie from the launcher's position
#define WORLD_DEPTH_LIMIT 250

enum { ROLE_PLAYER, ROLE_CARGO, ROLE_ESCORT, ROLE_TORPEDO };

struct WShip {
    uint32_t id = 0;
    int stype = STYPE_NONE; // server ship type; torpedoes keep STYPE_NONE
    int row = ROW_DUMMY;
    int role = ROLE_CARGO;
    int country = 2;
    std::string captain, name, ship_name;
    MotionState m{};
    uint32_t last_move = 0;
    int hp = 1;
    bool dead = false;
    uint32_t player = 0; // the commanding player's id, 0 for drones and torpedoes

    // What the players know of it: the players whose area holds it.
    std::unordered_set<uint32_t> watchers;
    uint32_t next_steady = 0; // tick of its next steady update
    bool dirty = false;       // orders changed: tell the watchers at the end of the step

    // Players.
    std::unordered_set<uint32_t> known; // ships in this player's area
    uint32_t last_report = 0;           // tick of the last accepted own report
    uint32_t next_request = 0;          // tick of the next T_UPDATEREQ
    double tubes = 0;                   // loaded tubes (reloads over time)
    uint32_t tubes_tick = 0;
    uint32_t next_gun = 0, next_dc = 0;
    bool told_hunted = false;  // told that escorts are closing; cleared when none hunts it
    uint32_t next_dc_told = 0; // tick before which nearby charges are not reported again
    // Movement allowance: a report may lie at most top speed x time + anchor_slack from where
    // the ship was at anchor_tick.
    int32_t anchor_x = 0, anchor_z = 0;
    uint32_t anchor_tick = 0;
    double anchor_slack = 0;
    uint32_t move_told = 0; // tick of the last logged correction (0: none yet)
    int move_untold = 0;    // corrections since then

    // Torpedoes.
    uint32_t owner = 0;
    uint32_t expires = 0;

    // Drones.
    int convoy = -1;
    int32_t off_x = 0, off_z = 0; // station relative to the convoy's guide, in its course frame
    int32_t steer_sense = 0;
    uint32_t hunt = 0;              // player ship hunted (0: none)
    int32_t hunt_x = 0, hunt_z = 0; // where it is believed to be (last estimate)
    int32_t goal_x = 0, goal_z = 0; // where the hunter heads: the estimate, or a search point
    int32_t hunt_depth = 0;
    uint32_t hunt_seen = 0;  // tick of the last contact
    uint32_t hunt_since = 0; // tick the hunt began: the guns need a moment to be manned
    uint32_t next_think = 0;
};

struct Convoy {
    int id = 0;
    bool live = true;
    double gx = 0,
           gz = 0; // the guide: a point that sails the route, which the ships keep station on
    uint16_t base_course = 0, course = 0;
    double speed = 0; // units per second
    double run = 0;   // distance sailed
    double route = 0; // distance after which the convoy leaves the sea
    uint32_t next_zig = 0;
    int zig = 0;
    uint32_t cargo_gone_at = 0; // tick when its last cargo ship went (0: some left)
    uint32_t alarm_until = 0;   // alerted until this tick (0: never)
    uint32_t scatter_until = 0; // fired on: cargo runs from the threat until this tick
    uint32_t threat = 0;        // the last known attacker or contact
    int32_t threat_x = 0, threat_z = 0;
};

struct DepthCharge {
    uint32_t launcher;
    int32_t x, z, setting;
    uint16_t heading;
    uint32_t explodes;
};

struct World {
    const ServerConfig *cfg = nullptr;
    WorldSink sink;
    std::vector<std::unique_ptr<WShip>> ships; // every ship and torpedo, in creation order
    std::unordered_map<uint32_t, WShip *> by_id;
    std::vector<Convoy> convoys;
    std::vector<DepthCharge> charges;
    uint32_t next_id = 0x10;
    uint32_t steps = 0;
    uint32_t now = 0;
    std::mt19937 rng;
    uint32_t next_convoy_check = 0;
    double step_us_avg = 0;
    int players = 0, drones = 0, torpedoes = 0;
};

// Helpers shared by the world's modules (srv_world.cpp).
WShip *WorldFind(World *w, uint32_t id);
WShip *WorldNewShip(World *w, int row, int stype, int role);
void WorldSendUpdate(World *w, WShip *s, int kind); // to the ship's watchers
std::string WorldUpdateLine(const WShip *s, int kind);
std::string WorldWeaponLine(uint32_t first, uint32_t second, int kind, int setting,
                            uint16_t heading, int32_t x, int32_t z);
void WorldSendNear(World *w, int32_t x, int32_t z, const std::string &line); // players in area
// A line for one player, and a text line (T_TEXT) of the formatted text.
void WorldSendTo(World *w, uint32_t player, const std::string &line);
void WorldSendText(World *w, uint32_t player, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));
void WorldDamage(World *w, WShip *victim, WShip *attacker, int points);
// Starts a player ship's movement allowance afresh from where it is now (joining, or placed).
void WorldAnchor(World *w, WShip *s);
void WorldRemove(World *w, WShip *s, int kind); // kind 3 (gone) or 4 (sailed away)
int WorldRandom(World *w, int n);               // 0 .. n-1

// Combat judged by the world (srv_combat.cpp).
bool CombatGun(World *w, WShip *shooter, WShip *target); // sends GUN_HIT or GUN_MISS
void CombatDropCharges(World *w, WShip *launcher, int setting, int32_t x, int32_t z);
void CombatStepCharges(World *w);

// Drones (srv_drones.cpp).
void DronesInit(World *w);
void DronesStep(World *w);
// A convoy ship damaged by a player: the escorts go after the attacker, the convoy scatters.
void DronesConvoyHit(World *w, WShip *victim, WShip *attacker);
// Whether a drone's crew senses target at this look (dice thrown); *err: the estimate's error
// in units, growing with range. Radar and sonar only on the classes that carry them.
bool DronesSense(World *w, const WShip *watcher, const WShip *target, int32_t *err);
void DronesShipGone(World *w, WShip *s);
// A place for a new player's ship: near a convoy, pointing at it.
void DronesSpawnPoint(World *w, const WShip *self, int32_t *x, int32_t *z, uint16_t *heading);
