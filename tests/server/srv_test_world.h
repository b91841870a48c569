// srv_test_world.h -- the battle world stepped in-process, its output caught by a recording sink
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "server/srv_server.h"
#include "server/srv_world_local.h"

// A sink that keeps what the world sends each player, as the connection would queue it (each
// line ended by a line feed), and the players' mission scores and events.
struct TestSink {
    std::map<uint32_t, std::string> out;              // by player id
    std::map<uint32_t, std::vector<int32_t>> mission; // scores by entry, by player id
    std::map<uint32_t, uint32_t> hit_tick;            // last damage taken, by player id
    std::vector<uint32_t> sunk;                       // players whose ship was sunk
    std::vector<std::string> log;                     // log lines about players (also written)
    int radio_left = -1; // radio lines the players may still send (-1: no limit)

    WorldSink Sink();
    // Takes what player was sent since the last call.
    std::string Take(uint32_t player);
    // The player's lines since the last Take, split (line feeds removed), and taken.
    std::vector<std::string> Lines(uint32_t player);
};

// A world of its own configuration and sink, stepped by hand at 100 ms.
struct TestWorld {
    ServerConfig cfg;
    TestSink sink;
    World *w = nullptr;
    uint32_t now = 1000;
    uint32_t next_player = 1;

    ~TestWorld();
    // Creates the world with this many drones (cfg may be set beforehand); it is not stepped.
    void Open(int drones, uint32_t seed = 7);
    // A player of that country and nickname takes a ship of the server ship type; its player id
    // goes to *player. Returns the ship's id (0: refused).
    uint32_t Join(uint32_t *player, int country, const std::string &nick, int stype,
                  const std::string &ship_name = "hms test");
    // Steps the world for ms (at least one step).
    void Step(uint32_t ms = 100);
};

// Reads lines of one player until one starts with prefix: returns it (and keeps the rest for the
// next call), or "<none>" when none came within ms of world time (the world is stepped meanwhile).
std::string TestWaitFor(TestWorld *tw, uint32_t player, const std::string &prefix,
                        uint32_t ms = 3000);
