// srv_world.h -- the battle world: every ship and torpedo, drones, combat and radio
#pragma once

#include <stdint.h>

#include <string>
#include <string_view>

struct Server;
struct Conn;
struct World;

// Creates the world with its drone convoys (cfg.drones ships, cfg.seed).
World *WorldCreate(Server *s);
void WorldDestroy(World *w);

// One fixed step of the world at tick now: movement, drones, depth charges, areas, updates.
void WorldStep(World *w, uint32_t now);

// Puts a player's ship of a server ship type into the world; sends T_JOINACC, the ship types and
// the T_NEWSHIP lines of the area (the player's own last). Returns the ship's id, 0 when the
// world is full.
uint32_t WorldJoin(World *w, Conn *c, int server_type, const std::string &ship_name);

// Takes a player's ship out (exit, disconnect, shut-down); the others see it go (kind 3).
void WorldLeave(World *w, Conn *c);

// A player's T_UPDATE, T_WEAPON and T_RADIO arguments; bad ones are dropped and logged.
void WorldPlayerUpdate(World *w, Conn *c, std::string_view arg);
void WorldPlayerWeapon(World *w, Conn *c, std::string_view arg);
void WorldPlayerRadio(World *w, Conn *c, std::string_view arg);

// Counts for logs, tests and benchmarks.
int WorldShips(World *w); // ships (players and drones), torpedoes not counted
int WorldDrones(World *w);
int WorldTorpedoes(World *w);
double WorldStepMicros(World *w); // average cost of a step over the last hundred
