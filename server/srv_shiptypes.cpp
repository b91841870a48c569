// srv_shiptypes.cpp -- the one table of ship-class values the world and the clients share
#include "server/srv_shiptypes.h"

#include "common/wire.h"

#include <cinttypes>
#include <cstdio>

// Units: the movement model's time unit is 500 ms, so a drive force P with drag D gives a top
// speed of P / D world units per 500 ms and reaches it with a time constant of 1 / D units. A turn
// factor T gives a turning circle of radius 10 / T world units (the heading changes by
// T x speed x 0.1 radians per unit while the ship covers speed units). A dive force V gives a
// vertical speed of V x speed / D per unit. Engine orders 0 and 1 are astern, 2 stop, 3 half and
// 4 full ahead; helm 0 and 1 turn to port (heading decreasing), 3 and 4 to starboard.
//
// Top speeds: destroyer 80 units/s, corvette 72, submarine 48 surfaced and 22 submerged,
// merchant 32, tanker 28; the torpedo 170 units/s, running about 19500 units in its 120 s.
// Turning circles: destroyer 1500 (2.5 lengths), corvette 1000, submarine 1200 surfaced,
// merchant 1200, tanker 1600. Depth (metres): the submarine dives at 1.8 m/s at full ahead with
// full planes, 0.7 m/s with the fine planes, reaches periscope depth from the surface in about
// 15 s and 175 m in a crash dive in about 2 min 15 s; it coasts about 3 m once the planes level.
static const ShipClass SHIP_CLASSES_TABLE[ROWS_SENT] = {
    // name, length, beam, {speed[5], turn[5], drag, dive[5], submerged},
    //   gun_range, gun_reload, dc_reload, hull, tubes
    {"Dummy", 0, 0, {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, 0.02, {0, 0, 0, 0, 0}, 1.0}, 0, 0, 0, 1, 0},
    {"Destroyer",
     600,
     60,
     {{-0.30, -0.16, 0, 0.40, 0.80},
      {-0.00667, -0.00333, 0, 0.00333, 0.00667},
      0.02,
      {0, 0, 0, 0, 0},
      1.0},
     8000,
     3000,
     12000,
     90,
     4},
    {"Corvette",
     500,
     30,
     {{-0.28, -0.14, 0, 0.36, 0.72}, {-0.01, -0.005, 0, 0.005, 0.01}, 0.02, {0, 0, 0, 0, 0}, 1.0},
     6000,
     4000,
     8000,
     60,
     0},
    {"Merchant",
     350,
     50,
     {{-0.12, -0.06, 0, 0.16, 0.32},
      {-0.00833, -0.00417, 0, 0.00417, 0.00833},
      0.02,
      {0, 0, 0, 0, 0},
      1.0},
     0,
     0,
     0,
     50, // one torpedo sinks a freighter; a tanker takes two
     0},
    {"Tanker",
     450,
     60,
     {{-0.10, -0.05, 0, 0.14, 0.28},
      {-0.00625, -0.00313, 0, 0.00313, 0.00625},
      0.02,
      {0, 0, 0, 0, 0},
      1.0},
     0,
     0,
     0,
     100,
     0},
    // The submarine's drag is six times the others': depth keeping levels the planes within 3 of
    // the ordered depth and the boat then coasts vy / D further, so the fine planes' rate over D
    // must stay a few metres. Its speed table is scaled with the drag, keeping its top speeds.
    {"Submarine",
     500,
     40,
     {{-1.20, -0.60, 0, 1.44, 2.88},
      {-0.00833, -0.00417, 0, 0.00417, 0.00833},
      0.12,
      {-0.010, -0.004, 0, 0.004, 0.010},
      0.45},
     4000,
     6000,
     0,
     50,
     4},
    {"Torpedo",
     0,
     0,
     {{0, 0, 0, 4.25, 8.5}, {0, 0, 0, 0, 0}, 0.1, {0, 0, 0, 0, 0}, 1.0},
     0,
     0,
     0,
     1,
     0},
};

static const int HOST_TYPE[6] = {ROW_TANKER,    ROW_CORVETTE, ROW_DESTROYER,
                                 ROW_SUBMARINE, ROW_DUMMY,    ROW_MERCHANT};

// The coefficients as the clients receive them (x 10000, truncated), so that both sides
// integrate the very same numbers.
static double ShipQuantize(double v) {
    return CoeffFromWire(CoeffToWire(v));
}

static const ShipClass *ShipQuantizedTable() {
    static const struct Table {
        ShipClass rows[ROWS_SENT];
        Table() {
            for (int r = 0; r < ROWS_SENT; r++) {
                rows[r] = SHIP_CLASSES_TABLE[r];
                MotionCoeffs &c = rows[r].c;
                for (int i = 0; i < MOTION_ORDERS; i++) {
                    c.speed_table[i] = ShipQuantize(c.speed_table[i]);
                    c.turn_table[i] = ShipQuantize(c.turn_table[i]);
                    c.dive_table[i] = ShipQuantize(c.dive_table[i]);
                }
                c.drag = ShipQuantize(c.drag);
                c.submerged = ShipQuantize(c.submerged);
            }
        }
    } table;
    return table.rows;
}

const ShipClass *ShipClassOfRow(int row) {
    if (row < 0 || row >= ROWS_SENT) row = 0;
    return &ShipQuantizedTable()[row];
}

int ShipRowOfType(int server_type) {
    if (server_type < 0 || server_type > 5) return -1;
    return HOST_TYPE[server_type];
}

std::string ShipTypeLine(int row) {
    const ShipClass *k = &SHIP_CLASSES_TABLE[row < 0 || row >= ROWS_SENT ? 0 : row];
    const MotionCoeffs &c = k->c;
    WireShipType m = {};
    m.row = row;
    for (int i = 0; i < 5; i++) {
        m.speed_table[i] = (int32_t)CoeffToWire(c.speed_table[i]);
        m.turn_table[i] = (int32_t)CoeffToWire(c.turn_table[i]);
        m.dive_table[i] = (int32_t)CoeffToWire(c.dive_table[i]);
    }
    m.drag = (int32_t)CoeffToWire(c.drag);
    m.gun_range = k->gun_range;
    m.gun_reload = k->gun_reload;
    m.dc_reload = k->dc_reload;
    m.submerged = (int32_t)CoeffToWire(c.submerged);
    char line[WIRE_LINE_SIZE];
    WireFormatShipType(&m, line, sizeof line);
    return line;
}

double ShipTopSpeed(int row) {
    const ShipClass *k = ShipClassOfRow(row);
    if (k->c.drag <= 0) return 0;
    return k->c.speed_table[4] / k->c.drag * 2.0;
}
