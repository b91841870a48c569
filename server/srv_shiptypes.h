// srv_shiptypes.h -- the ship classes of the world: movement coefficients, hull, weapons, damage
#pragma once

#include <stdint.h>

#include <string>

#include "common/motion.h"

// Rows of the client's ship-type table and the server ship types that map onto them.
enum {
    ROW_DUMMY = 0,
    ROW_DESTROYER = 1,
    ROW_CORVETTE = 2,
    ROW_MERCHANT = 3,
    ROW_TANKER = 4,
    ROW_SUBMARINE = 5,
    ROW_TORPEDO = 6,
    ROWS_SENT = 7
};
enum {
    STYPE_TANKER = 0,
    STYPE_CORVETTE = 1,
    STYPE_DESTROYER = 2,
    STYPE_SUBMARINE = 3,
    STYPE_NONE = 4,
    STYPE_MERCHANT = 5
};

struct ShipClass {
    const char *name;     // class name, also the "name" field of a new-ship line
    int32_t length, beam; // hull, world units (the client's table)
    MotionCoeffs c;
    int32_t gun_range;  // world units; 0 = no gun
    int32_t gun_reload; // ms
    int32_t dc_reload;  // ms; 0 = no depth charges
    int32_t hull;       // damage points the ship takes before it sinks
    int tubes;          // torpedo tubes (0 = none)
};

// The class of a ShipType row (ROW_DUMMY .. ROW_TORPEDO).
const ShipClass *ShipClassOfRow(int row);

// The ShipType row of a server ship type (0..5), -1 for others.
int ShipRowOfType(int server_type);

// The T_SHIPTYPE line that tells the client a row's coefficients.
std::string ShipTypeLine(int row);

// Full-ahead speed of a row in world units per second, on the surface.
double ShipTopSpeed(int row);
