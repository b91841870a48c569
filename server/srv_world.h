// srv_world.h -- the battle world: every ship and torpedo, drones, combat and radio
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>

struct ServerConfig;
struct World;

// What befalls a player's mission in the world.
enum {
    WORLD_SCORED, // points for one entry of the mission (slot, points)
    WORLD_HIT,    // the player's ship took damage (tick)
    WORLD_SUNK,   // the player's ship was sunk; it is already out of the world
};

struct WorldEvent {
    int kind;
    int slot;
    int32_t points;
    uint32_t tick;
};

// Where the world's output goes. The world addresses players by the id given at WorldJoin and
// knows nothing of connections: the session layer turns these calls into lines on connections,
// into its mission scores and into log lines about the player's address.
struct WorldSink {
    void *ctx = nullptr;
    // One line (without its line feed) for one player.
    void (*send)(void *ctx, uint32_t player, const std::string &line) = nullptr;
    // An event of the player's mission.
    void (*mission)(void *ctx, uint32_t player, const WorldEvent &ev) = nullptr;
    // Whether the player may put one more radio line on the air now (takes it when so).
    bool (*radio)(void *ctx, uint32_t player) = nullptr;
    // A log line about one player (peer_limited: rate-limited by the player's address).
    void (*log)(void *ctx, uint32_t player, int level, bool peer_limited,
                const char *text) = nullptr;
};

// Creates the world with its drone convoys (cfg->drones ships, cfg->seed); cfg is read as it
// stands at each step, so a reload's new values take effect.
World *WorldCreate(const ServerConfig *cfg, const WorldSink &sink);
void WorldDestroy(World *w);

// One fixed step of the world at tick now: movement, drones, depth charges, areas, updates.
void WorldStep(World *w, uint32_t now);

// Puts a player's ship of a server ship type into the world, commanded by the player of that
// id (not 0) with its country and nickname; sends it T_JOINACC, the ship types and the
// T_NEWSHIP lines of the area (its own first). Returns the ship's id, 0 when the world is full.
uint32_t WorldJoin(World *w, uint32_t player, int country, const std::string &captain,
                   int server_type, const std::string &ship_name);

// Takes a player's ship out (exit, disconnect, shut-down); the others see it go (kind 3).
void WorldLeave(World *w, uint32_t player, uint32_t ship);

// A player's T_UPDATE, T_WEAPON and T_RADIO arguments for its ship; bad ones are dropped and
// logged.
void WorldPlayerUpdate(World *w, uint32_t ship, std::string_view arg);
void WorldPlayerWeapon(World *w, uint32_t ship, std::string_view arg);
void WorldPlayerRadio(World *w, uint32_t ship, std::string_view arg);

// Counts for logs, tests and benchmarks.
int WorldShips(World *w); // ships (players and drones), torpedoes not counted
int WorldTorpedoes(World *w);
double WorldStepMicros(World *w); // average cost of a step over the last hundred
